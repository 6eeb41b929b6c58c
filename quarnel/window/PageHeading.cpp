#include "quarnel/window/PageHeading.h"

#include <QFont>
#include <QLabel>

void StylePageHeading(QLabel& heading) {
  QFont font = heading.font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.25);
  heading.setFont(font);
  heading.setTextInteractionFlags(Qt::TextSelectableByMouse);
}
