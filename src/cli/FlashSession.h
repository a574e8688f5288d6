#pragma once

// What corvane-flash needs from the run core, and nothing more. One implementation drives the
// real memory check and transfer run; the tests drive a fake. QtCore only.

#include "link/Protocol.h"

#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

namespace cli {

// The operator's choices for one unit, as Module1 holds them.
struct FlashChoices {
    int16_t portNo = 1;     // 1..8 when the port was named by number or "ComN"; 0 for a device path
    QString device;         // the device the port opens (always filled)
    int16_t cpuIndex = 0;   // device catalogue code
    float clockMHz = 16;    // single precision, as the window keeps it
    int16_t pageNo = 1;     // 0..3 for pages 1..4, 8 for THRU
    int16_t speedIndex = 0; // 0: 9600 bit/s; any other value asks for 38400
    QString filePath;       // the S-record file of write and plan
};

// One page record as the memory view shows it, and the numbers behind it.
struct PageView {
    bool empty = true;       // the record's status is not 1
    int cpuCode = 0;
    uint32_t clockHz = 0;
    uint32_t sizeBytes = 0;
    // The memory view's captions: CPU, clock, file name (decoded from CP932, filler kept), size.
    QString cpu, clock, name, size;
};

// The memory check's outcome.
struct PageReading {
    bool opened = false;   // the port opened
    bool answered = false; // at least one reply of any kind came from the unit
    std::array<std::optional<PageView>, 4> pages; // nullopt: page not read
};

// The dry run: image loading and the pure page plan against the pages read last.
struct PlanOutcome {
    bool loaded = false;     // the image loaded; when false a message has said why
    int32_t dataEnd = 0, sendEnd = 0;
    QString refusal;         // the page rules' refusal code, or empty
    struct Question {
        QString title, text;
    };
    QList<Question> questions; // in the order the run would ask them
    QList<int16_t> erase;      // command page numbers 0..3, in erase order
};

// How a transfer run ended (the run core's report, plus what transfer start adds).
struct RunOutcome {
    enum class Result { Done, Stopped, Cancelled };
    Result result = Result::Stopped;
    QString stoppedBy;         // code (box title) of the message that stopped it, or empty
    bool questionRefused = false;
    bool txFailed = false;     // TxFailed: no memory check after the run
    QList<int> erasedPages;    // operator page numbers 1..4, in erase order
    int32_t blocksAccepted = 0;
    int32_t blockBaud = Proto::kBaudLow;
    int32_t dataEnd = 0, sendEnd = 0;
};

// What a front end shows while a session works. The command line implements it; the session
// calls it from inside its waits, on the thread that called the session.
class SessionFront {
public:
    virtual ~SessionFront() = default;
    // Every message box: its code (title), its text as shown, whether it carries the exclamation icon.
    virtual void Message(const QString& code, const QString& text, bool exclamation) = 0;
    // Every OK/Cancel question; true for OK.
    virtual bool Ask(const QString& title, const QString& text) = 0;
    // The run's front: after the speed exchange, at the start of the blocks, after every accepted block.
    virtual void ShowSpeed(bool highSpeed) = 0;
    virtual void StartProgress(int32_t maximum) = 0;
    virtual void ShowProgress(int32_t position, int percent) = 0;
    // One --trace event: every command line and reply, speed change, wait with its elapsed time,
    // the first and last data blocks and every block not answered "O", what opening the port did
    // about the line. Only called when tracing.
    enum class TraceKind { Sent, Received, Speed, Wait, Block, Port };
    virtual void Trace(TraceKind kind, const QString& detail) = 0;
};

// One unit's session on one port. All calls come from the thread that created it, which runs
// a Qt event loop inside the session's waits.
class FlashSession {
public:
    virtual ~FlashSession() = default;
    // The memory check. Its pages are the memory view the next Plan or Write plans against.
    virtual PageReading ReadPages() = 0;
    // Image loading of choices.filePath and PlanPagesFor against the pages read last; sends nothing.
    virtual PlanOutcome Plan() = 0;
    // Transfer start after its memory check: the file test, FileTitle, and TransferRun::Run().
    virtual RunOutcome Write() = 0;
    // The stop button: Module1.CancelRequest = 1. Safe to call at any time, also between calls.
    virtual void RequestStop() = 0;
};

// Makes the session for `choices` that reports to `front` (tracing when `trace`); the front
// outlives the session.
std::unique_ptr<FlashSession> CreateFlashSession(const FlashChoices& choices, SessionFront& front, bool trace);

} // namespace cli
