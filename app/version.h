// The tool's version: the version resource, the log and the usage say it.
#pragma once

#define UPGRADER_VERSION_NUMBERS 2, 0, 0, 0
#define UPGRADER_VERSION_TEXT "2.0.0"
