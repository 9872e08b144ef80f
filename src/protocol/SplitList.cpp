#include "protocol/SplitList.h"

#include "protocol/AnswerText.h"

#include <QComboBox>

namespace pellmarch::protocol {

void SplitList(QComboBox *box, const QString &list) {
    box->clear();
    box->addItems(SplitListPieces(list));
}

} // namespace pellmarch::protocol
