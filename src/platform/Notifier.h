#pragma once

#include <QString>

namespace pellmarch::platform {

// Passing messages on the desktop, outside the program's windows.
class Notifier {
public:
    virtual ~Notifier() = default;

    // Shows `summary` with `body` (plain text). A message on the same `topic` takes the place
    // of the one before, if that is still shown.
    virtual void notify(const QString &topic, const QString &summary, const QString &body) = 0;
};

} // namespace pellmarch::platform
