#pragma once

#include <QRect>
#include <QString>
#include <QStyledItemDelegate>

#include <functional>
#include <optional>

class QFont;
class QPainter;
class QStyle;

namespace tarvolin::engine {

// A progress bar with "caption 45.3%" over it, drawn by `stile` as its progress bar, or plainly
// when there is no style.
void DisegnaProgresso(QPainter& painter, const QRect& bordi, float frazione,
                      const QString& didascalia, const QFont& font, const QStyle* stile);

// The text written over the bar: "Downloading 45.3%".
QString TestoProgresso(const QString& didascalia, float frazione);

// Draws a bar in one column of a list for each row that has a fraction, the cell otherwise.
class DelegatoProgresso : public QStyledItemDelegate {
    Q_OBJECT
public:
    using Frazione = std::function<std::optional<float>(const QModelIndex&)>;

    DelegatoProgresso(int colonna, Frazione frazione, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    int colonna_;
    Frazione frazione_;
};

} // namespace tarvolin::engine
