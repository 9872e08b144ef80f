#include "protocol/Outcome.h"

#include "platform/WebRequest.h"
#include "protocol/AnswerText.h"

namespace pellmarch::protocol {

Outcome OutcomeOf(const platform::WebAnswer &answer, bool success) {
    if (answer.failed || answer.body.isEmpty())
        return Outcome::Unknown;
    if (success)
        return Outcome::Done;
    return IsServiceAnswer(answer.body) && !answer.resent ? Outcome::Refused : Outcome::Unknown;
}

} // namespace pellmarch::protocol
