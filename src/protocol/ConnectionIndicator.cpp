#include "protocol/ConnectionIndicator.h"

#include "protocol/AnswerText.h"

namespace pellmarch::protocol {

void UpdateIndicator(ConnectionIndicator &indicator, const QString &answer) {
    if (answer.isEmpty())
        indicator.setDisconnected();
    else if (IsSuccessAnswer(answer) && indicator.isDisconnected())
        indicator.setConnected();
}

} // namespace pellmarch::protocol
