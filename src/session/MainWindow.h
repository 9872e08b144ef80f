#pragma once

#include <QString>

class QWidget;

namespace pellmarch::session {

// The three content views of the main window; exactly one is shown at a time.
enum class View { RecordTable, RecordEditor, OwnSubDomain };

// Layout rule of the main window, in twips: the shown frame stands 1200 below the window's top
// edge, the window is exactly as high as that frame needs, and the status frame sits at its
// bottom. The window height is the outer one, title bar, menu bar and borders included.
inline constexpr int kFrameTopTwips = 1200;
inline constexpr int kStatusHeightTwips = 495;
inline constexpr int kBottomRoomTwips = 750;

struct WindowHeights {
    int window;    // outer window height
    int statusTop; // top of the status frame
};

constexpr WindowHeights LayoutFor(int frameHeight) {
    const int window = frameHeight + kFrameTopTwips + kStatusHeightTwips + kBottomRoomTwips;
    return {window, window - kStatusHeightTwips - kBottomRoomTwips};
}

// What the pieces of the main window ask of the window itself. The frames reach each other
// only through it: the record pieces and the own-address pieces never know one another.
class MainWindow {
public:
    virtual ~MainWindow() = default;

    // The window, to parent and place the windows that open over it.
    virtual QWidget *window() = 0;

    // The shown address: the caption of "Your IPAddress:", the public address as last learnt.
    virtual QString shownAddress() const = 0;
    virtual void setShownAddress(const QString &address) = 0;

    // Shows `view` at the frame top, hides the other two, and sizes the window by the layout
    // rule.
    virtual void showView(View view) = 0;
    // Paints the window at once, before a blocking request keeps the event loop away.
    virtual void repaintNow() = 0;

    // Set-up after a login: the whole of it, and the record-table part of it.
    virtual void SetUpMainWindow() = 0;
    virtual void SetUpRecordTable() = 0;

    // After the timer learnt the public address in record-table mode: the marked records follow.
    virtual void RefreshAutoRecords(const QString &address) = 0;

    // The state of "Automatic IP Resolution" of the own sub-domain.
    virtual bool isAutoIPTicked() const = 0;
    // Whether the own host name is known to point at the subscriber's address (false while
    // its registration waits to be done again: refused, unanswered, or found parked).
    virtual bool isOwnAddressRegistered() const = 0;
};

} // namespace pellmarch::session
