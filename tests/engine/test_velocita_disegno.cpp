// The progress bar of the queue list and the floating speed widget.
#include "common/statoprocesso.h"
#include "engine/formspeed.h"
#include "engine/progresso.h"

#include <QApplication>
#include <QCloseEvent>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace tarvolin;
using namespace tarvolin::engine;

namespace {

QImage disegnaSenzaStile(float frazione) {
    QImage immagine(202, 22, QImage::Format_RGB32);
    immagine.fill(Qt::white);
    QPainter painter(&immagine);
    DisegnaProgresso(painter, immagine.rect(), frazione, QString(), QApplication::font(), nullptr);
    return immagine;
}

TEST(DisegnaProgresso, PlainBarFillsTheFractionOfTheTrack) {
    const QColor traccia(235, 235, 235), pieno(132, 193, 255);
    struct Caso {
        float frazione;
        int pienoFinoA; // last filled column
    };
    // The track spans 1..201 (one pixel in, widened by one): the fill ends at 1 + f * 201.
    // The caption sits in the middle, away from the columns looked at.
    for (const Caso c : {Caso{0.2f, 40}, Caso{0.25f, 50}, Caso{0.9f, 180}}) {
        const QImage immagine = disegnaSenzaStile(c.frazione);
        const int y = 6; // a row of the bar clear of the caption and the rounded corners
        EXPECT_EQ(immagine.pixelColor(c.pienoFinoA, y), pieno) << c.frazione;
        EXPECT_EQ(immagine.pixelColor(c.pienoFinoA + 2, y), traccia) << c.frazione;
        EXPECT_EQ(immagine.pixelColor(3, 2), QColor(Qt::white)) << "no outline above the track";
    }
    EXPECT_EQ(TestoProgresso(QStringLiteral("Downloading"), 0.4534f),
              QStringLiteral("Downloading 45.3%"));
}

TEST(DelegatoProgresso, DrawsBarsOnlyInItsColumnAndOnlyForRowsWithAFraction) {
    QTreeWidget lista;
    lista.setColumnCount(3);
    lista.resize(400, 120);
    lista.show();
    for (const char* testo : {"attivo", "Completato"})
        new QTreeWidgetItem(&lista, {"nome", "1 MB", QString::fromLatin1(testo)});
    std::optional<float> frazione;
    QList<QModelIndex> chiesti;
    lista.setItemDelegate(new DelegatoProgresso(
        2,
        [&](const QModelIndex& i) {
            chiesti.append(i);
            return i.row() == 0 ? frazione : std::nullopt;
        },
        &lista));

    const QImage senza = lista.viewport()->grab().toImage();
    frazione = 0.5f;
    const QImage con = lista.viewport()->grab().toImage();

    for (const QModelIndex& i : std::as_const(chiesti))
        EXPECT_EQ(i.column(), 2);
    auto cella = [&](const QImage& im, int riga, int colonna) {
        return im.copy(lista.visualRect(lista.model()->index(riga, colonna)));
    };
    EXPECT_NE(cella(senza, 0, 2), cella(con, 0, 2));
    EXPECT_EQ(cella(senza, 1, 2), cella(con, 1, 2));
    EXPECT_EQ(cella(senza, 0, 1), cella(con, 0, 1));
}

class FormSpeed : public ::testing::Test {
protected:
    void SetUp() override { Processo().ChiudiSenzaConferma = false; }
    void TearDown() override { Processo().ChiudiSenzaConferma = false; }
};

TEST_F(FormSpeed, RefusesToCloseUnlessTheProgramIsQuitting) {
    TForm_Speed speed;
    speed.show();
    EXPECT_FALSE(speed.close());
    EXPECT_TRUE(speed.isVisible());
    Processo().ChiudiSenzaConferma = true;
    EXPECT_TRUE(speed.close());
}

TEST_F(FormSpeed, IsDraggedByAnyOfItsParts) {
    TForm_Speed speed;
    speed.move(100, 100);
    speed.show();
    QWidget* parti[] = {&speed, speed.Image1, speed.LabelSpeed, speed.PanelInDownload,
                        speed.PanelInCoda};
    for (QWidget* parte : parti) {
        const QPoint prima = speed.pos();
        const QPoint locale(5, 5);
        const QPoint presa = parte->mapToGlobal(locale);
        const QPoint spostamento(30, -20);
        auto invia = [&](QEvent::Type tipo, const QPoint& globale, Qt::MouseButton pulsante,
                         Qt::MouseButtons premuti) {
            QMouseEvent evento(tipo, QPointF(parte->mapFromGlobal(globale)), QPointF(globale),
                               pulsante, premuti, Qt::NoModifier);
            QApplication::sendEvent(parte, &evento);
        };
        invia(QEvent::MouseButtonPress, presa, Qt::LeftButton, Qt::LeftButton);
        invia(QEvent::MouseMove, presa + spostamento, Qt::NoButton, Qt::LeftButton);
        invia(QEvent::MouseButtonRelease, presa + spostamento, Qt::LeftButton, Qt::NoButton);
        EXPECT_EQ(speed.pos(), prima + spostamento) << parte->objectName().toStdString();
        // Once released, the pointer moves alone.
        invia(QEvent::MouseMove, presa, Qt::NoButton, Qt::NoButton);
        EXPECT_EQ(speed.pos(), prima + spostamento) << parte->objectName().toStdString();
    }
}

} // namespace
