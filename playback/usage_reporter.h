// playback/usage_reporter.h
//
// The usage reporter as the playback controller sees it. Each time a stream reaches the playing
// state the controller asks it whether the install hit and the usage report have been delivered
// and has it send what is due. The reporter sends on a worker thread of its own and, when a
// request has finished, clears the controller's pending flag for it through IUsageReportOwner.
// The two meet only through these two interfaces.
//
// Threading: every call, both ways, is made on the user-interface thread and returns at once.
// Ownership: the controller owns its reporter for the whole run.
#pragma once

namespace velotune {

// The controller as its reporter sees it.
class IUsageReportOwner {
public:
    // The install hit / usage report request that SendHit / SendUsage started has finished,
    // delivered or not; the controller may start it again at a later playback start.
    virtual void ClearHitPending() = 0;
    virtual void ClearReportPending() = 0;

protected:
    ~IUsageReportOwner() = default;
};

class IUsageReporter {
public:
    virtual ~IUsageReporter() = default;

    // Whether the install hit / the usage report has been delivered in any earlier request
    // (the stored flags; a flag that cannot be read counts as not delivered).
    virtual bool IsHitDelivered() = 0;
    virtual bool IsReportDelivered() = 0;

    // The start counter: how many times the player has been started (it stops counting at 11).
    virtual int StartCount() = 0;

    // Start sending the install hit / the usage report. False when the request could not be
    // started; the controller then clears its pending flag itself.
    virtual bool SendHit() = 0;
    virtual bool SendUsage() = 0;
};

}  // namespace velotune
