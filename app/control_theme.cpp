#include "app/control_theme.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

namespace korvelin {

bool EnableControlTheme(int style) {
  const bool themed = style >= 1 && style <= 3;
  QStyle* chosen =
      QStyleFactory::create(themed ? QStringLiteral("Fusion") : QStringLiteral("Windows"));
  if (chosen == nullptr) return false;
  QApplication::setStyle(chosen);  // the application owns it from here
  return true;
}

}  // namespace korvelin
