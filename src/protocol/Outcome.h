#pragma once

namespace pellmarch::platform {
struct WebAnswer;
}

namespace pellmarch::protocol {

// What came of one exchange with the service, as far as the program can know.
enum class Outcome {
    Done,    // a complete answer that counts as success
    Refused, // the service's own answer, without success: nothing was carried out
    // No answer (time-out, reset, the connection closed), or none that is the service's own (a
    // proxy's or gateway's page): the command may well have been carried out. Never taken for
    // a refusal.
    Unknown,
};

// The outcome of an exchange from its answer; `success` says whether the answer counts as
// success for the function asked. A refusal is only the service's own (it carries the service's
// keys) and only the answer to a request sent once: a request that went out twice may have been
// carried out the first time, and the refusal then answers the second ("not found").
Outcome OutcomeOf(const platform::WebAnswer &answer, bool success);

} // namespace pellmarch::protocol
