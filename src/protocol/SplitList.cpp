#include "protocol/SplitList.h"

#include "protocol/AnswerText.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace pellmarch::protocol {

void SplitList(QComboBox *box, const QString &list) {
    // Filling is no choice of the user's: no change reaction runs, and afterwards no entry is
    // chosen and the box shows empty text (adding items to an empty box would choose the first).
    const QSignalBlocker quiet(box);
    box->clear();
    box->addItems(SplitListPieces(list));
    box->setCurrentIndex(-1);
}

} // namespace pellmarch::protocol
