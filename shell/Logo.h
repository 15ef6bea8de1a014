#pragma once

#include <QImage>

// The maker's logo: 640 by 480 pixels in the 16 colours of the classic
// palette, drawn here rather than shipped as a file.
QImage makerLogo();
