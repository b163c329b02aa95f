#pragma once

#include <QObject>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

class NachrichtenFenster;

// The sending side of a NachrichtenFenster, safe to use from any thread and after the
// window is gone (messages then reach nobody).
class Postfach {
public:
    // One sent message on its way (opaque).
    struct Zustellung;

    // Hands the message to the window's thread and waits until it has been handled, at
    // most Milliseconds for it to start. From the window's own thread the procedure runs at
    // once, inside this call. A message not yet begun when the time is up is
    // dropped and never handled later; one that has begun is waited for until it ends or
    // Abort turns true. True when the window handled it. Held is called once when the
    // message has not been handled within SpinUs.
    static constexpr int SpinUs = 200;
    bool SendMessageTimeout(uint32_t Msg, uintptr_t WParam, intptr_t LParam, uint32_t Milliseconds,
                            const std::atomic<bool>* Abort = nullptr,
                            const std::function<void()>* Held = nullptr);
    // Queues the message and returns at once; false when the window is gone.
    bool PostMessage(uint32_t Msg, uintptr_t WParam, intptr_t LParam);
    // Wakes every sender waiting on this window, so it looks at its Abort flag again.
    void Wecke();

private:
    friend class NachrichtenFenster;
    struct Zustand;
    std::shared_ptr<Zustand> z_;
};

// A hidden window: a QObject in the thread that made it (the GUI thread), to which worker
// threads deliver messages that its procedure handles there.
class NachrichtenFenster : public QObject {
public:
    using Prozedur = std::function<intptr_t(uint32_t Msg, uintptr_t WParam, intptr_t LParam)>;
    // What a procedure returns after a sent message when it knows that the sender has the
    // next message at hand: the window waits up to FolgeWarteUs for it and handles it without
    // going back to the event loop, for at most FolgeKetteMs in a row.
    static constexpr intptr_t WeitereFolgt = 1;
    static constexpr int FolgeWarteUs = 100;
    static constexpr int FolgeKetteMs = 5;

    explicit NachrichtenFenster(Prozedur Proc);
    ~NachrichtenFenster() override;

    std::shared_ptr<Postfach> postfach() const { return postfach_; }

protected:
    bool event(QEvent* e) override;

private:
    friend class Postfach;
    // A message sent from the window's own thread.
    void rufeDirekt(uint32_t Msg, uintptr_t WParam, intptr_t LParam);
    // The message sent next, when one comes within FolgeWarteUs; taken from the post box.
    std::shared_ptr<Postfach::Zustellung> folgende();

    Prozedur proc_;
    std::shared_ptr<Postfach> postfach_;
};
