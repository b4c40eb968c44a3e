#pragma once
#include "GuardedApplication.h"

#include <QApplication>

namespace pellix {

using PellixApplication = GuardedApplication<QApplication>;

}  // namespace pellix
