#pragma once
// The application's title: what message boxes without a caption of their own show.
// Kept apart from Qt's application display name, which the platform would append to the
// title of every window.
#include <QString>

namespace pellix {

void SetApplicationTitle(const QString& title);
// The title set last, or the application's name before any was set.
QString ApplicationTitle();

}  // namespace pellix
