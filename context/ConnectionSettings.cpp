#include "context/ConnectionSettings.h"

const unsigned kSerialSpeeds[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
const unsigned kSerialSpeedCount = sizeof(kSerialSpeeds) / sizeof(kSerialSpeeds[0]);
