#pragma once

#include <cstdint>
#include <functional>

// A long computation that runs on a worker thread of its own while a dialog polls it: the
// transforms, the synthesis of a waveform and the runs of the decay analysis all work this
// way, so one progress display serves them all.
//
// The dialog calls Start once, shows PercentDone() on every timer tick, may ask for
// RequestCancel() when the user cancels, and once IsDone() calls Finish(), which waits for
// the worker, completes the results on the calling thread and frees the job's buffers. The
// outcome is then: failed when Failed(), cancelled when CancelRequested(), otherwise
// complete. Nothing of the results may be read before IsDone() has been seen.
class CPolledJob {
  public:
    // Called once on the worker thread as soon as the job is done, so that the dialog can
    // react at once instead of at its next tick. It must only post a notification to the
    // dialog's own thread; it runs while the worker thread still exists.
    using DoneNotifier = std::function<void()>;

    virtual ~CPolledJob() = default;

    // Starts the work. False when the job cannot run (unusable input, no memory, no thread):
    // it is then done at once with Failed() set, and onDone is not called.
    virtual bool Start(DoneNotifier onDone) = 0;
    // Asks the worker to stop at its next opportunity. Nothing else.
    virtual void RequestCancel() = 0;
    virtual bool IsDone() const = 0;
    virtual bool CancelRequested() const = 0;
    virtual bool Failed() const = 0;
    // 0 .. 100 (a figure above 100 shows as a full bar).
    virtual std::int32_t PercentDone() const = 0;
    // After IsDone(): waits for the worker, completes the results and makes the job idle.
    // Before it (a caller giving up on the job): cancels and waits. Harmless when idle.
    virtual void Finish() = 0;
};
