#pragma once
/* The program's version and names, shared by the C++ code and the resource scripts
   (windres reads this file too, so it holds #defines only). */

#define VELLUMAR_VERSION_MAJOR 1
#define VELLUMAR_VERSION_MINOR 6
#define VELLUMAR_VERSION_RELEASE 3
#define VELLUMAR_VERSION_BUILD 18
#define VELLUMAR_VERSION_STRING "1.6.3.18"

#define VELLUMAR_PRODUCT_NAME "Vellumar"
#define VELLUMAR_COMPANY_NAME "Quintavo"
#define VELLUMAR_FILE_DESCRIPTION "Vellumar Wi-Fi survey tool"
#define VELLUMAR_COPYRIGHT "Copyright (C) Quintavo"
#define VELLUMAR_INTERNAL_NAME "vellumar"
#define VELLUMAR_ORIGINAL_FILENAME "vellumar.exe"
