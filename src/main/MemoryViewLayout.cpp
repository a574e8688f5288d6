// The memory view: five label arrays in Frame6, index 0 the column heading, 1..4 the pages.
#include "link/Protocol.h"
#include "main/DesignFonts.h"
#include "shared/Placement.h"
#include "main/frmMain.h"

#include <QGroupBox>
#include <QLabel>

#include <array>
#include <optional>

namespace {

struct ColumnDesign {
    const char* array;
    const char* heading;
    int headingLeft;
    int headingWidth;
    int rowLeft;
    int firstRowWidth; // the first clock row is drawn a little wider than the others
    int rowWidth;
    std::optional<QFont> rowFont; // none: the window's font
};

constexpr int kHeadingTop = 240;
constexpr int kFirstRowTop = 480;
constexpr int kRowPitch = 300;
constexpr int kLabelHeight = 195;

const std::array<QString, Proto::kPageCount> kPageNumbers{QStringLiteral("１"), QStringLiteral("２"), QStringLiteral("３"),
                                          QStringLiteral("４")};

std::array<QLabel*, 5> buildColumn(QGroupBox* frame, const ColumnDesign& column)
{
    std::array<QLabel*, 5> labels{};
    labels[0] = Place<QLabel>(frame, ArrayName(column.array, 0), column.headingLeft, kHeadingTop,
                              column.headingWidth, kLabelHeight);
    labels[0]->setText(QString::fromUtf8(column.heading));
    for (int row = 1; row <= Proto::kPageCount; ++row) {
        const int width = row == 1 ? column.firstRowWidth : column.rowWidth;
        QLabel* label = Place<QLabel>(frame, ArrayName(column.array, row), column.rowLeft,
                                      kFirstRowTop + kRowPitch * (row - 1), width, kLabelHeight);
        if (column.rowFont)
            label->setFont(*column.rowFont);
        labels[static_cast<size_t>(row)] = label;
    }
    return labels;
}

} // namespace

void frmMain::buildMemoryView(QWidget* client)
{
    auto* frame6 = Place<QGroupBox>(client, QStringLiteral("Frame6"), 120, 2340, 4815, 1755);
    frame6->setTitle(QStringLiteral("メモリーの内容"));

    //                             array     heading       heading    rows: left, first, others  font
    label2_ = buildColumn(frame6, {"Label2", "ﾍﾟｰｼﾞ",      180, 435,   300,  135,  135, std::nullopt});
    label3_ = buildColumn(frame6, {"Label3", "ＣＰＵ",     840, 435,   840,  555,  555, FixedGothic(9)});
    label4_ = buildColumn(frame6, {"Label4", "ｸﾛｯｸ(MHz)", 1560, 915,  1620,  675,  615, FixedGothic(9)});
    label5_ = buildColumn(frame6, {"Label5", "ﾌｧｲﾙﾈｰﾑ",   2760, 855,  2580, 1275, 1275, FixedGothic(9.75)});
    label7_ = buildColumn(frame6, {"Label7", "ｻｲｽﾞ(kB)",  3960, 795,  4200,  375,  375, FixedGothic(9)});
    for (int page = 1; page <= Proto::kPageCount; ++page)
        label2_[static_cast<size_t>(page)]->setText(kPageNumbers[static_cast<size_t>(page - 1)]);
}
