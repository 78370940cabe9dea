// Place: names a control and puts it at its place on its form, in pixels.
#pragma once

#include <QString>

namespace ombrisk {

template <typename Widget>
Widget* Place(Widget* widget, const char* name, int left, int top, int width, int height) {
  widget->setObjectName(QString::fromLatin1(name));
  widget->setGeometry(left, top, width, height);
  return widget;
}

}  // namespace ombrisk
