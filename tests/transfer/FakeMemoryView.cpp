#include "FakeMemoryView.h"

FakeMemoryView::FakeMemoryView()
{
    for (int page = 1; page <= 4; ++page) {
        cpu_.at(static_cast<size_t>(page)) = QString::fromLatin1(kEmptyCpuCaption);
        size_.at(static_cast<size_t>(page)) = QString::fromLatin1(kEmptySizeCaption);
    }
}

void FakeMemoryView::Occupy(int page, int kb)
{
    cpu_.at(static_cast<size_t>(page)) = QStringLiteral("3048F");
    size_.at(static_cast<size_t>(page)) = QString::number(kb);
}

void FakeMemoryView::Blank(int page)
{
    cpu_.at(static_cast<size_t>(page)).clear();
    size_.at(static_cast<size_t>(page)).clear();
}
