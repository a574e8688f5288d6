#pragma once

// What corvane-flash needs from the run core, in the core's own types. One implementation
// drives the real memory check, image loading and transfer run; the tests drive a fake.

#include "link/RemoteTls.h"
#include "main/PageReading.h"
#include "shared/MessageTable.h"
#include "shared/SavedChoices.h"
#include "transfer/ImageLoading.h"
#include "transfer/RunFront.h"
#include "transfer/TransferRun.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

namespace cli {

// What a front end shows while a session works: the run's front, and every message, question
// and trace line. The session calls it from inside its waits, on the thread that called it.
class SessionFront : public RunFront {
public:
    // Every message box: the table's row it was shown from (none for a box the table does not
    // know), its title and its text as shown.
    virtual void Message(const MessageRow* row, const QString& title, const QString& text) = 0;
    // Every OK/Cancel question; true for OK.
    virtual bool Ask(const QString& title, const QString& text) = 0;
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
    // Transfer start before its run: the file test ("OPEN ERROR" shown when it fails), FileTitle
    // and the flags. The command line makes it before the memory check, so that a file that
    // cannot be read stops the command before any port opens.
    virtual bool PrepareTransfer() = 0;
    // The memory check. Its pages are the memory view the next Write plans against.
    virtual PageReading ReadPages() = 0;
    // Before a THRU run, which plans against no page: that the unit answers, from the record of
    // page 1 alone. Its faults are those of the memory check's first query.
    virtual PageReading ReadFirstPage() = 0;
    // Bytes every later load and run places over the image: a THRU target's own number.
    virtual void SetImagePatch(const ImagePatch& patch) = 0;
    // The run's image loading of the chosen file, with its message on a fault; sends nothing.
    virtual imagebuf::ImageLoad LoadImage() = 0;
    // The transfer run, after PrepareTransfer and the memory check (ReadFirstPage for THRU).
    virtual RunReport Write() = 0;
    // The image as the last LoadImage or Write left it, from address 0 to `sendEnd` inclusive:
    // the bytes a run sends, for their digest.
    virtual QByteArray ImageBytes(int32_t sendEnd) const = 0;
    // The stop button: Module1.CancelRequest = 1. Safe to call at any time, also between calls.
    virtual void RequestStop() = 0;
};

// Makes the session for `choices` on `device` (a port named by number opens as the window
// resolves it when `device` is empty), a TLS port with `tls`, that reports to `front`, tracing
// when `trace`; the front outlives the session.
std::unique_ptr<FlashSession> CreateFlashSession(const SavedChoices& choices, const QString& device,
                                                 const TlsFiles& tls, SessionFront& front, bool trace);

// What makes a session: CreateFlashSession, or a test's fake.
using SessionMaker = std::function<std::unique_ptr<FlashSession>(
    const SavedChoices& choices, const QString& device, const TlsFiles& tls, SessionFront& front, bool trace)>;

} // namespace cli
