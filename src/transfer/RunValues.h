#pragma once

#include <QString>

#include <cstdint>

// The values one transfer run derives from the shared state and the loaded image. Nothing
// survives from one run to the next.
struct RunValues {
    int32_t ClockHz = 0;   // target clock in Hz for the headers
    int32_t DataEnd = 0;   // highest image address holding data
    int32_t SendEnd = 0;   // last image address sent; SendEnd + 1 is a multiple of 128
    int32_t ErrorLine = 0; // the file line the image loader blamed
    QString NameField;     // the file title as the unit records it: 11 characters
    QString NameHex;       // NameField's first 11 bytes in CP932, 22 hex digits
};

// The unit takes data in whole 128-byte units (four blocks), so the last one that holds data
// is sent completely.
int32_t SendEndOf(int32_t dataEnd);

// MHz to Hz, rounded to the nearest whole number with ties to even. A clock that does not fit
// the header's 32-bit field gives 0.
int32_t ClockHzOf(float clockMHz);

// Dots removed, padded with blanks, cut to 11 characters.
QString NameFieldOf(const QString& fileTitle);

// The first 11 bytes of the field in the system code page, two hex digits each.
QString NameHexOf(const QString& nameField);

// A number as it stands in front of a message text: one blank before a number of 0 or more,
// the minus sign before a negative one.
QString NumberText(int32_t number);

// The progress in whole percent, halves rounded up: position / dataEnd, for a position at or
// below dataEnd.
int PercentOf(int32_t position, int32_t dataEnd);
