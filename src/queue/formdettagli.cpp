#include "queue/formdettagli.h"

#include "common/diagnostica.h"
#include "common_ui/icone.h"
#include "common_ui/messagebox.h"
#include "queue/comandicoda.h"
#include "queue/database.h"
#include "queue/listecoda.h"
#include "queue/righe.h"
#include "queue/vistacoda.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

#include <optional>

namespace tarvolin::queue {

namespace {
constexpr TipoLista kCoda = TipoLista::Coda;
} // namespace

TForm_DettagliDownload::TForm_DettagliDownload(ListeCoda& code, Database& db, const QString& id,
                                               QWidget* parent)
    : QWidget(parent, Qt::Window), code_(code), db_(db), id_(id) {
    setObjectName(QStringLiteral("TForm_DettagliDownload"));
    setWindowTitle(QStringLiteral("Dettagli del download"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(749, 213);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFixedSize(48, 48);
    Image1->setPixmap(IconaProgramma().pixmap(48, 48));

    auto campo = [this](const char* nome) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(nome));
        return edit;
    };
    Download = campo("Download");
    PasswordDownload = campo("PasswordDownload");
    GruppoDownload = campo("GruppoDownload");
    EstraiArchivio =
        new QCheckBox(QStringLiteral("Estrai l'archivio al termine del download"), this);
    EstraiArchivio->setObjectName(QStringLiteral("EstraiArchivio"));
    PasswordArchivio = campo("PasswordArchivio");
    BtSalvaModifiche = new QPushButton(QStringLiteral("Salva modifiche"), this);
    BtSalvaModifiche->setObjectName(QStringLiteral("BtSalvaModifiche"));

    auto* griglia = new QGridLayout(this);
    griglia->setContentsMargins(12, 10, 12, 10);
    griglia->setVerticalSpacing(4);
    griglia->addWidget(Image1, 0, 0, 3, 1, Qt::AlignTop);
    griglia->addWidget(new QLabel(QStringLiteral("Link di download : "), this), 0, 1);
    griglia->addWidget(Download, 0, 2);
    griglia->addWidget(new QLabel(QStringLiteral("Password download : "), this), 1, 1);
    griglia->addWidget(PasswordDownload, 1, 2);
    griglia->addWidget(new QLabel(QStringLiteral("Gruppo : "), this), 2, 1);
    griglia->addWidget(GruppoDownload, 2, 2);
    griglia->addWidget(EstraiArchivio, 3, 2);
    griglia->addWidget(new QLabel(QStringLiteral("Password archivio : "), this), 4, 1);
    griglia->addWidget(PasswordArchivio, 4, 2);
    auto* pulsanti = new QHBoxLayout;
    pulsanti->addStretch();
    pulsanti->addWidget(BtSalvaModifiche);
    griglia->addLayout(pulsanti, 5, 1, 1, 2);
    griglia->setColumnStretch(2, 1);

    connect(BtSalvaModifiche, &QPushButton::clicked, this,
            &TForm_DettagliDownload::BtSalvaModificheClick);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TForm_DettagliDownload::CaricaDettagli(const QString& id) {
    id_ = id;
    gruppoCaricato_.clear();
    for (QLineEdit* edit : {Download, PasswordDownload, GruppoDownload, PasswordArchivio})
        edit->clear();
    EstraiArchivio->setChecked(false);
    try {
        const RowSet row =
            db_.Query(QStringLiteral("SELECT * FROM table_download WHERE id = ?"), {id});
        if (row.Eof())
            return;
        Download->setText(row.Value(QStringLiteral("link")));
        PasswordDownload->setText(row.Value(QStringLiteral("passlink")));
        gruppoCaricato_ = row.Value(QStringLiteral("gruppo"));
        GruppoDownload->setText(gruppoCaricato_);
        const std::optional<bool> estrai = LeggiBooleano(row.Value(QStringLiteral("autoextract")));
        if (!estrai)
            return;
        EstraiArchivio->setChecked(*estrai);
        PasswordArchivio->setText(row.Value(QStringLiteral("passwordarchivio")));
    } catch (const DatabaseError& e) {
        // An unreadable row leaves the rest empty for the user to fill in.
        qCDebug(lcCoda) << "row details not read:" << e.what();
    }
}

void TForm_DettagliDownload::BtSalvaModificheClick() {
    if (Download->text().isEmpty()) {
        MostraMessaggio(this, QStringLiteral("Il link di download non può essere vuoto!"),
                        QStringLiteral("Attenzione"), Icona::Avviso);
        return;
    }
    try {
        salva();
        close();
    } catch (const DatabaseError& e) {
        // Left open, so the user does not take the edit for stored and can save again.
        qCDebug(lcCoda) << "row details not saved:" << e.what();
    }
}

void TForm_DettagliDownload::salva() {
    // Looked up now, not when opened: the row may have been deleted or moved meanwhile.
    ModelloCoda& m = code_.Modello();
    if (const int p = m.Posizione(kCoda, id_); p >= 0) {
        m.ImpostaDidascalia(kCoda, p, Download->text());
        m.ImpostaCella(kCoda, p, cella::Link, Download->text());
        m.ImpostaCella(kCoda, p, cella::Password, PasswordDownload->text());
    }
    db_.Execute(QStringLiteral("UPDATE table_download SET link = ?, passlink = ?, autoextract = ?, "
                               "passwordarchivio = ? WHERE id = ?"),
                {Download->text(), PasswordDownload->text(),
                 TestoBooleano(EstraiArchivio->isChecked()), PasswordArchivio->text(), id_});
    if (GruppoDownload->text() != gruppoCaricato_)
        rinominaGruppo(GruppoDownload->text());
}

void TForm_DettagliDownload::rinominaGruppo(const QString& nuovo) {
    ModelloCoda& m = code_.Modello();
    if (gruppoCaricato_.isEmpty()) {
        db_.Execute(QStringLiteral("UPDATE table_download SET gruppo = ? WHERE id = ?"),
                    {nuovo, id_});
        if (NomeGruppoAutomatico(nuovo))
            return;
        if (const int p = m.Posizione(kCoda, id_); p >= 0)
            m.ImpostaCella(kCoda, p, cella::Gruppo, nuovo);
        return;
    }
    // A group is one name shared by its rows, so renaming it from one row renames it for all,
    // completed and failed ones included.
    db_.Execute(QStringLiteral("UPDATE table_download SET gruppo = ? WHERE gruppo = ?"),
                {nuovo, gruppoCaricato_});
    if (NomeGruppoAutomatico(nuovo))
        return;
    for (int i = 0; i < m.NumeroRighe(kCoda); ++i) {
        if (m.Riga(kCoda, i).Cella(cella::Gruppo) == gruppoCaricato_)
            m.ImpostaCella(kCoda, i, cella::Gruppo, nuovo);
    }
}

EditoriDettagli::EditoriDettagli(ListeCoda& code, QObject* parent) : QObject(parent), code_(code) {
    connect(&code_, &ListeCoda::ModificaDownload, this, &EditoriDettagli::Apri);
}

EditoriDettagli::~EditoriDettagli() {
    const QList<QPointer<QWidget>> finestre = finestreDettagli_;
    for (const QPointer<QWidget>& finestra : finestre)
        delete finestra.data();
}

void EditoriDettagli::Apri(QTreeWidgetItem* riga) {
    if (db_ == nullptr || riga == nullptr)
        return;
    if (VistaCoda::Icona(riga) == IconaInCorso) {
        MostraMessaggio(nullptr, QStringLiteral("Non puoi modificare un download in corso!"),
                        QStringLiteral("Attenzione"), Icona::Avviso);
        return;
    }
    const QString id = VistaCoda::Cella(riga, cella::Id);
    if (TForm_DettagliDownload* aperto = EditorePer(id)) {
        aperto->show();
        aperto->raise();
        aperto->activateWindow();
        return;
    }
    // No parent: each editor is a window of its own, with its own task-bar entry.
    auto* editore = new TForm_DettagliDownload(code_, *db_, id);
    editore->CaricaDettagli(id);
    finestreDettagli_.append(editore);
    connect(editore, &QObject::destroyed, this, [this](QObject* distrutto) {
        finestreDettagli_.removeIf([distrutto](const QPointer<QWidget>& p) {
            return p.isNull() || p.data() == distrutto;
        });
    });
    editore->show();
}

int EditoriDettagli::Aperti() const {
    int aperti = 0;
    for (const QPointer<QWidget>& finestra : finestreDettagli_)
        aperti += finestra.isNull() ? 0 : 1;
    return aperti;
}

TForm_DettagliDownload* EditoriDettagli::EditorePer(const QString& id) const {
    for (const QPointer<QWidget>& finestra : finestreDettagli_) {
        auto* editore = qobject_cast<TForm_DettagliDownload*>(finestra.data());
        if (editore != nullptr && editore->Id() == id)
            return editore;
    }
    return nullptr;
}

} // namespace tarvolin::queue
