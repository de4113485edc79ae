// The headless back end: the virtual clock, presses of a given length, recorded alerts.
#include "platform/controls/HeadlessBackend.h"

#include "platform/controls/ControlsInternal.h"

namespace {
// A timer's due time counts as reached within this much of the clock.
constexpr EventTime kSlack = 1e-9;
// A callback that keeps rescheduling itself for now stops the clock's run after this many
// firings (the clock then jumps to its end).
constexpr long kMaxFiringsPerRun = 1000000;
}  // namespace

HeadlessBackend& HeadlessBackend::Default() {
    static HeadlessBackend backend;
    return backend;
}

void HeadlessBackend::Advance(EventTime seconds) {
    EventTime end = mNow + (seconds > 0 ? seconds : 0);
    for (long firings = 0; firings < kMaxFiringsPerRun; ++firings) {
        EventTime due = ControlsNextTimerFireTime();
        if (due < 0 || due > end + kSlack) {
            break;
        }
        if (due > mNow) {
            mNow = due;
        }
        ControlsFireDueTimers(mNow);
    }
    if (end > mNow) {
        mNow = end;
    }
}

void HeadlessBackend::SetNextPress(EventTime seconds, bool releaseInside) {
    mPressSeconds = seconds > 0 ? seconds : 0;
    mReleaseInside = releaseInside;
}

bool HeadlessBackend::TrackMouse(ControlRef, ControlPartCode) {
    EventTime seconds = mPressSeconds;
    bool inside = mReleaseInside;
    mPressSeconds = 0;
    mReleaseInside = true;
    Advance(seconds);
    return inside;
}

DialogItemIndex HeadlessBackend::RunAlert(AlertType, CFStringRef message, CFStringRef explanation) {
    std::string text = controls::ToUTF8(controls::ToUTF16(message));
    if (explanation != nullptr) {
        text += "\n" + controls::ToUTF8(controls::ToUTF16(explanation));
    }
    mAlerts.push_back(std::move(text));
    return kAlertStdAlertOKButton;
}
