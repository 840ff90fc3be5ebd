// The program's one random generator: the C library's rand (0 to 32767),
// seeded once at start-up. Scene code draws through these functions so that
// tests can script the values.
#pragma once

// A raw value, 0 to 32767.
int SelRand();
// A uniform value in [0, 1]: the raw value times 1/32767.
float SelRandUnit();

// Replaces the source of raw values (null restores rand); for tests.
using SelRandomSource = int (*)();
void SetSelRandomSource(SelRandomSource source);
