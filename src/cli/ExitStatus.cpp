#include "cli/ExitStatus.h"

#include "shared/Messages.h"

#include <array>

namespace cli {

namespace {

// code, exit status, hint: one row per code, as the README's message table.
struct CodeRow {
    const char* code;
    int status;
    const char* hint;
};

constexpr std::array<CodeRow, 25> kRows{{
    {"ERR 001", Exit::kFile, "a record of the S-record file has a wrong checksum; rebuild or re-export the file"},
    {"ERR 002", Exit::kFile, "a record of the file is malformed or lies beyond 512 KB; check the file at that line"},
    {"ERR 010", Exit::kGarbled, "the unit answered the header with neither OK nor FL; check cable and speed, repeat"},
    {"ERR 011", Exit::kGarbled, "the unit answered the header with neither OK nor FL; check cable and speed, repeat"},
    {"ERR 012", Exit::kGarbled, "the unit did not send GO for a THRU transfer; check the target connection"},
    {"ERR 013", Exit::kGarbled, "a data block was not accepted twice; noisy line: use 9600 bit/s, check the cable"},
    {"ERR 020", Exit::kNoAnswer, "bytes did not leave the port within 3 s; check the adapter and flow control"},
    {"ERR 021", Exit::kNoAnswer, "bytes did not leave the port within 3 s; check the adapter and flow control"},
    {"ERR 030", Exit::kNoAnswer, "no reply within 3 s; is the unit powered and connected with a straight cable?"},
    {"ERR 031", Exit::kGarbled, "the port reported a line error (framing, overrun, parity); check cable and speed"},
    {"ERR 040", Exit::kNoAnswer, "no reply within 55 s; is the unit powered and connected with a straight cable?"},
    {"ERR 041", Exit::kGarbled, "the port reported a line error (framing, overrun, parity); check cable and speed"},
    {"ERR 100", Exit::kUnitFault, "the unit reported a memory fault for the header; unit service"},
    {"ERR 101", Exit::kUnitFault, "the unit reported a memory fault for the header; unit service"},
    {"ERR 102", Exit::kUnitFault, "the unit reported a flash write fault; check the target and its clock setting"},
    {"ERR 110", Exit::kUnitFault, "the unit did not erase a page; repeat, else unit service"},
    {"ERR 200", Exit::kGarbled, "a page record from the unit had a wrong checksum; repeat the memory check"},
    {"ERR 201", Exit::kNoAnswer, "no reply within 3 s; is the unit powered and connected with a straight cable?"},
    {"ERR 202", Exit::kGarbled, "the port reported a line error (framing, overrun, parity); check cable and speed"},
    {"ERR 220", Exit::kNoAnswer, "bytes did not leave the port within 3 s; check the adapter and flow control"},
    {"ERR 400", Exit::kPageRules, "more than 384 KB: choose page 1"},
    {"ERR 401", Exit::kPageRules, "more than 256 KB: choose page 1 or 2"},
    {"ERR 402", Exit::kPageRules, "more than 128 KB cannot go on the last page: choose page 1, 2 or 3"},
    {"OPEN ERROR", Exit::kPort, "the serial port cannot be opened; check the port, the dialout group, other programs"},
    {"既に起動しています", Exit::kDone, ""},
}};

const CodeRow* rowOf(const QString& code)
{
    for (const CodeRow& row : kRows)
        if (code == QString::fromUtf8(row.code))
            return &row;
    return nullptr;
}

bool isFileOpenError(const QString& code, const QString& text)
{
    return code == QLatin1String(Msg::kOpenError) && text == QString::fromUtf8(Msg::kFileUnopenable);
}

} // namespace

int ExitStatusFor(const QString& code, const QString& text)
{
    if (isFileOpenError(code, text))
        return Exit::kFile;
    const CodeRow* row = rowOf(code);
    // A code this table does not know still stopped the run: never report it as done.
    return row ? row->status : Exit::kGarbled;
}

QString HintFor(const QString& code, const QString& text)
{
    if (isFileOpenError(code, text))
        return QStringLiteral("the S-record file cannot be opened; check the path and its permissions");
    if (code == QLatin1String(Msg::kOpenError) && text == QString::fromUtf8(Msg::kPortUnusable))
        return QStringLiteral("the transfer cannot use the port; check the port, the dialout group, other programs");
    // The port layer's own text already names the device, the reason and the fix.
    if (code == QLatin1String(Msg::kOpenError))
        return QString();
    const CodeRow* row = rowOf(code);
    return row ? QString::fromLatin1(row->hint) : QString();
}

} // namespace cli
