#include "finestre.h"

namespace tarvolin {

QList<QPointer<QWidget>>& FinestreAggiungi() {
    static QList<QPointer<QWidget>> aperte;
    return aperte;
}

} // namespace tarvolin
