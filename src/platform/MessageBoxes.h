#pragma once

#include <QString>

namespace pellmarch::platform {

// The program's modal message boxes: no icon, the program title as caption.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;

    // A message with an OK button only; returns when the user has closed it.
    virtual void inform(const QString &text) = 0;

    // The same, with a text the user can select and copy, with the mouse or the keyboard (an
    // address to paste elsewhere).
    virtual void informSelectable(const QString &text) = 0;

    // A Yes/No question, Yes the default; true when the answer is Yes.
    virtual bool ask(const QString &text) = 0;

    // Closes the messages saying `text` that are still open (as OK would), when what they said
    // is over: a login that went through by itself after "Error contacting server" was shown.
    virtual void dismissOpen(const QString &text) = 0;
};

} // namespace pellmarch::platform
