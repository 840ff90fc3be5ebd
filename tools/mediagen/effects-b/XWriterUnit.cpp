// The .x writer, compiled into mediagen for the logo's mesh.
#include "XWriter.cpp"
