// The program's version: in its version resource (file properties) and in
// every run report. Raised with each release.
#pragma once

#define ORVEX_VERSION_MAJOR 1
#define ORVEX_VERSION_MINOR 0
#define ORVEX_VERSION_PATCH 0
#define ORVEX_VERSION_TEXT "1.0.0"
