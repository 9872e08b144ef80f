#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>

namespace pellmarch::platform {

// Stops the text cursor's blinking once nobody has typed or clicked in the program for a while,
// and lets it blink again at the next key or click, as desktops do. A blinking cursor repaints
// its box twice a second for as long as its window is the active one, so a program left alone
// on screen with the focus in a text box (the own sub-domain view puts it in the address box)
// would otherwise wake up 7,200 times an hour to blink at nobody. Resting, the cursor stays
// shown, without blinking.
class CaretRest final : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kDefaultRest{10000};

    // Watches the whole application's input from now on.
    explicit CaretRest(std::chrono::milliseconds rest = kDefaultRest, QObject *parent = nullptr);
    // Lets the cursor blink again.
    ~CaretRest() override;
    CaretRest(const CaretRest &) = delete;
    CaretRest &operator=(const CaretRest &) = delete;

    bool isResting() const { return m_resting; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void rest();
    void wake();

    QTimer m_idle;
    int m_flashTime = 0; // the blink period in use before resting, in milliseconds
    bool m_resting = false;
};

} // namespace pellmarch::platform
