#include "protocol/ConnectionIndicator.h"

#include "protocol/AnswerText.h"

namespace pellmarch::protocol {

void UpdateIndicator(ConnectionIndicator &indicator, const QString &answer) {
    if (answer.isEmpty()) {
        indicator.setDisconnected();
        return;
    }
    if (!IsSuccessAnswer(answer))
        return;
    if (indicator.isDisconnected())
        indicator.setConnected();
    indicator.exchangeSucceeded();
}

} // namespace pellmarch::protocol
