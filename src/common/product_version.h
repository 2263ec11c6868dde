#pragma once
/* The program's version and names, shared by the C++ code and the resource scripts
   (windres reads this file too, so it holds #defines only). */

// VELLUMAR_VERSION_MAJOR, _MINOR, _RELEASE, _BUILD and _STRING, generated from the
// build's VELLUMAR_VERSION (CMakeLists.txt).
#include "common/version_number.h"

#define VELLUMAR_PRODUCT_NAME "Vellumar"
#define VELLUMAR_COMPANY_NAME "Quintavo"
#define VELLUMAR_FILE_DESCRIPTION "Vellumar Wi-Fi survey tool"
#define VELLUMAR_COPYRIGHT "Copyright (C) Quintavo"
#define VELLUMAR_INTERNAL_NAME "vellumar"
#define VELLUMAR_ORIGINAL_FILENAME "vellumar.exe"
