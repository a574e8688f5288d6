#pragma once

#include "shared/MemoryView.h"
#include "shared/MessageTable.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

// What the page rules make of an image for the chosen page, before anything is sent: which
// questions the operator is asked, which neighbouring pages are erased, or why the image is
// refused. The run carries it out part by part, in this order: the lower part (its question,
// then its erases), the refusal, the upper part (its question, then its erases).
struct PagePlan {
    struct Question {
        QString title;
        QString text;
    };
    // One rule's share: the question, when one is asked, guards the erases after it.
    struct Part {
        std::optional<Question> question;
        QList<int16_t> erase; // unit pages 0..3 in command numbering, in erase order
    };

    // Older data of the nearest occupied lower page running on into the chosen page.
    Part lower;
    // The image is too large for the chosen page: its page-rule row, after the
    // lower part, in place of the upper part.
    const MessageRow* refusal = nullptr;
    // The new image running on into the pages above the chosen one.
    Part upper;

    // The questions and the erases in the order the run meets them (the upper part's only
    // when there is no refusal).
    QList<Question> questions() const;
    QList<int16_t> erase() const;
};

// How many pages an image whose data ends at `dataEnd` spans from the page it starts on, 1..4.
int PagesNeeded(int32_t dataEnd);

// The plan for `pageNo` (0..3) and an image whose data ends at `dataEnd`, from what the memory
// view shows. "THRU" (and any page number the unit has no page for) plans nothing.
PagePlan PlanPagesFor(int16_t pageNo, int32_t dataEnd, const MemoryView& view);
