#pragma once

// corvane-flash record: what the production record holds, per product and image file.

#include "cli/Commands.h"
#include "record/Record.h"

namespace cli {

// The counts of targets done, stopped and cancelled per product and image file, and each
// product's serial numbers done, void and reserved as ranges; text or --json on standard output.
int RunRecordCommand(const Invocation& inv, record::Record& record, Streams& streams);

// "1000-1029, 1031", or "-" for none.
QString SpansText(const QList<record::Span>& spans);

} // namespace cli
