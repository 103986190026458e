#include "formats/twi/TwiDataFile.h"

#include <gtest/gtest.h>
