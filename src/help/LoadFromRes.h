#pragma once
// Reads the documents the program carries inside itself (Qt resources, ":/<TYPE>/<name>").
#include <QByteArray>
#include <QString>

// The resource's bytes, without a copy where the resource is stored uncompressed.
// Throws std::runtime_error when there is no such resource or it is empty.
// The type is matched without regard to case.
QByteArray LoadResourceData(const QString& name, const QString& type);
// The same bytes as one text of exactly that length (an own copy).
QByteArray LoadResourceText(const QString& name, const QString& type);

namespace pellix {
// Registers the resources of this library; every entry point above calls it. Needed
// because a static library's resource table is otherwise dropped by the linker.
void InitHelpResources();
}  // namespace pellix
