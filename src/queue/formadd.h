#pragma once

#include <QWidget>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tarvolin::queue {

class ListeCoda;

// The add-links dialog: a list of links and what applies to all of them.
class TForm_Add : public QWidget {
    Q_OBJECT
public:
    // `standAlone`: above every window, even while the main window is hidden.
    TForm_Add(ListeCoda& code, std::function<bool()> autoExtractOpzioni, bool standAlone);
    ~TForm_Add() override;

    QLabel* Label1 = nullptr;
    QPlainTextEdit* ListaLink = nullptr;
    QPushButton* BtComEu = nullptr;
    QPushButton* BtComMe = nullptr;
    QPushButton* BtAllCom = nullptr;
    QLineEdit* NomeGruppo = nullptr;
    QPushButton* AggiungiBt = nullptr;
    QLineEdit* Password = nullptr;
    QCheckBox* AutoExtract = nullptr;
    QLineEdit* PasswordArchivio = nullptr;

    void AggiungiBtClick();
    // Replaces every occurrence of each domain in `da`, in order, with `a`.
    void RiscriviDomini(const QStringList& da, const QString& a);

    // The queue limit of the pending list.
    static constexpr int kMassimoInCoda = 500;

signals:
    // A single link-folder address: the import takes over this dialog.
    void CartellaLinkRichiesta(const QString& riga, TForm_Add* dialogo);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void creaControlli();
    void avviso(const QString& testo, const QString& didascalia);

    ListeCoda& code_;
    std::function<bool()> autoExtractOpzioni_;
};

// True for a text that reads like a link: begins with "www.", "http:" or "https:".
bool SembraLink(const QString& testo);

// A clipboard text worth pasting on its own: it reads like a link and is not so large that
// laying it out would freeze the window (500 links fit many times in the limit).
bool DaIncollare(const QString& appunti);

// The message when the queue is full.
QString MessaggioCodaPiena();

// Opens an add-links dialog as every opener does: `testo` in the link box, the options'
// extract flag copied when `copiaAutoExtract`, shown not modal and registered among the open
// dialogs. A `proprietario` takes the dialog with it when it goes.
TForm_Add* ApriAggiungi(ListeCoda& code, const std::function<bool()>& autoExtractOpzioni,
                        bool standAlone, bool copiaAutoExtract, const QString& testo = {},
                        QWidget* proprietario = nullptr);

} // namespace tarvolin::queue
