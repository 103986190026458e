#include "formats/csv/CsvDataFile.h"

#include <gtest/gtest.h>
