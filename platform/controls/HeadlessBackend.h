// The headless back end: no display; a virtual clock that the caller advances (timers fire
// as it passes their due times); an alert is recorded and dismissed at once; a mouse press
// lasts as long as the caller said before it.
#pragma once

#include <string>
#include <vector>

#include "platform/controls/ControlsBackend.h"

class HeadlessBackend : public ControlsBackend {
public:
    HeadlessBackend() = default;

    // The process's default back end (what ControlsGetBackend gives until another is set).
    static HeadlessBackend& Default();

    EventTime Now() override { return mNow; }
    bool TrackMouse(ControlRef control, ControlPartCode part) override;
    DialogItemIndex RunAlert(AlertType type, CFStringRef message, CFStringRef explanation) override;

    // Lets the virtual clock run `seconds`, firing each timer at its due time.
    void Advance(EventTime seconds);
    // The next mouse press lasts `seconds` (timers fire meanwhile) and is released inside or
    // outside the control; afterwards presses are short and inside again.
    void SetNextPress(EventTime seconds, bool releaseInside = true);

    // Every alert shown so far, in order: the message, and when there is an explanation, a
    // line break and the explanation.
    const std::vector<std::string>& Alerts() const { return mAlerts; }
    void ClearAlerts() { mAlerts.clear(); }

private:
    EventTime mNow = 0.0;
    EventTime mPressSeconds = 0.0;
    bool mReleaseInside = true;
    std::vector<std::string> mAlerts;
};
