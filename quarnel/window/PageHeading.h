// The look of the heading line each page of the main window starts with.
#pragma once

class QLabel;

void StylePageHeading(QLabel& heading);
