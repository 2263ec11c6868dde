#pragma once
/* The program's names, shared by the C++ code, the resource scripts and the installer
   (windres and makensis read this file too, so it holds #defines only). The version
   numbers are in the generated common/version_number.h, included only where needed, so
   that a build of another version compiles little again. */

#define VELLUMAR_PRODUCT_NAME "Vellumar"
#define VELLUMAR_COMPANY_NAME "Quintavo"
#define VELLUMAR_FILE_DESCRIPTION "Vellumar Wi-Fi survey tool"
#define VELLUMAR_COPYRIGHT "Copyright (C) Quintavo"
#define VELLUMAR_INTERNAL_NAME "vellumar"
#define VELLUMAR_ORIGINAL_FILENAME "vellumar.exe"
