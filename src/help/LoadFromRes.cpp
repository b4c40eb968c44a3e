#include "LoadFromRes.h"

#include <QDir>
#include <QFileInfo>
#include <QResource>

#include <mutex>
#include <stdexcept>

static void initHelpResourcesOnce() { Q_INIT_RESOURCE(pellix_help); }

namespace pellix {

void InitHelpResources() {
  static std::once_flag once;
  std::call_once(once, initHelpResourcesOnce);
}

}  // namespace pellix

namespace {

[[noreturn]] void notFound(const QString& type) {
  // Tell a wrong type from a wrong name, as the resource loader of the shell does.
  if (QDir(QStringLiteral(":/") + type).exists())
    throw std::runtime_error("The specified resource name cannot be found in the image file.");
  throw std::runtime_error("The specified resource type cannot be found in the image file.");
}

}  // namespace

QByteArray LoadResourceData(const QString& name, const QString& type) {
  pellix::InitHelpResources();
  const QString upperType = type.toUpper();
  if (name.isEmpty() || upperType.isEmpty() || name.contains(QLatin1Char('/')) ||
      upperType.contains(QLatin1Char('/')))
    notFound(upperType);
  const QResource res(QStringLiteral(":/%1/%2").arg(upperType, name));
  if (!res.isValid() || QFileInfo(res.absoluteFilePath()).isDir()) notFound(upperType);
  QByteArray bytes = res.uncompressedData();
  if (bytes.isEmpty())
    throw std::runtime_error("The specified resource name cannot be found in the image file.");
  return bytes;
}

QByteArray LoadResourceText(const QString& name, const QString& type) {
  QByteArray text = LoadResourceData(name, type);
  text.detach();
  return text;
}
