#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidgetItem;

namespace tarvolin::queue {

class Database;
class ListeCoda;

// The editor of one queued download: link, passwords, group and archive extraction. It
// edits the row by id, so the row may leave the list while the editor is open.
class TForm_DettagliDownload : public QWidget {
    Q_OBJECT
public:
    TForm_DettagliDownload(ListeCoda& code, Database& db, const QString& id,
                           QWidget* parent = nullptr);

    const QString& Id() const { return id_; }

    void CaricaDettagli(const QString& id);
    void BtSalvaModificheClick();

    QLabel* Image1 = nullptr;
    QLineEdit* Download = nullptr;
    QLineEdit* PasswordDownload = nullptr;
    QLineEdit* GruppoDownload = nullptr;
    QCheckBox* EstraiArchivio = nullptr;
    QLineEdit* PasswordArchivio = nullptr;
    QPushButton* BtSalvaModifiche = nullptr;

private:
    void salva();
    void rinominaGruppo(const QString& nuovo);

    ListeCoda& code_;
    Database& db_;
    QString id_;
    // The group the row had when loaded: a rename acts on every row of this group.
    QString gruppoCaricato_;
};

// The open editors of the main window, at most one per row.
class EditoriDettagli : public QObject {
    Q_OBJECT
public:
    explicit EditoriDettagli(ListeCoda& code, QObject* parent = nullptr);
    // The editors hold references to the lists, so they do not outlive this.
    ~EditoriDettagli() override;

    void ImpostaDatabase(Database* db) { db_ = db; }

    void Apri(QTreeWidgetItem* riga);

    int Aperti() const;
    TForm_DettagliDownload* EditorePer(const QString& id) const;

private:
    ListeCoda& code_;
    Database* db_ = nullptr;
    // As QWidget: QWidget's destructor emits destroyed() while the editor part is already
    // gone, and a QPointer of the derived type would cast to it.
    QList<QPointer<QWidget>> finestreDettagli_;
};

} // namespace tarvolin::queue
