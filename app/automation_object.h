// app/automation_object.h
//
// CTorvikAutomation is the player's automation object: "Torvik.Application" on the session bus
// (platform/automation). Through it a second start of the player finds the running one and brings
// it forward, and the updater closes the player before it replaces the station database.
//
//   ShowTorvik   makes the main window the foreground window; a window hidden in the tray stays
//                hidden and a minimised one stays minimised.
//   CloseTorvik  ends the player as its controller's Exit(1) does: playback stops, the settings
//                are saved and the program ends, even when the tray icon would otherwise keep it.
//
// Threading: user-interface thread only; the bus delivers the calls there, one at a time.
// Ownership: the application object makes it first and destroys it last, which revokes the
// registration.
#pragma once

#include "platform/automation/automation.h"

namespace velotune {

class CTorvikApp;

class CTorvikAutomation {
public:
    explicit CTorvikAutomation(CTorvikApp& app);
    ~CTorvikAutomation();
    CTorvikAutomation(const CTorvikAutomation&) = delete;
    CTorvikAutomation& operator=(const CTorvikAutomation&) = delete;

    // The single-instance check: calls ShowTorvik on a running player and waits for its answer
    // (at most platform::kAutomationCallTimeoutMs). True when one answered; this start then ends.
    // Never starts a player.
    bool FindRunningInstance();
    // True once FindRunningInstance has reached another player.
    bool IsAttached() const { return attached_; }

    // Announces this player on the bus (owns the name). Ok, or why not; the caller tells the user.
    platform::AutomationResult Register();
    bool IsRegistered() const { return registration_.IsRegistered(); }

    // The methods the bus calls.
    void ShowTorvik();
    void CloseTorvik();

private:
    CTorvikApp& app_;
    bool attached_ = false;
    platform::AutomationRegistration registration_;
};

}  // namespace velotune
