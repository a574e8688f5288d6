#pragma once

#include "shared/Twips.h"

#include <QString>
#include <QWidget>

// Creates a control on `parent` under the name the layout gives it, at a position in twips
// relative to `parent`.
template <class Control>
Control* Place(QWidget* parent, const QString& name, int left, int top, int width, int height)
{
    auto* control = new Control(parent);
    control->setObjectName(name);
    control->setGeometry(TwipsRect(left, top, width, height));
    return control;
}

// "Option1(4)": the name of one element of a control array.
inline QString ArrayName(const char* array, int index)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(array)).arg(index);
}
