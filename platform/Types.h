// Basic types of the desktop framework the converters are written against.
#pragma once

typedef int BOOL;
typedef unsigned int UINT;
typedef const char* LPCSTR;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
