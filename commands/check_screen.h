// Keys c and f: the check (and the repair) of the joins, reported on the screen.
#pragma once

// Reports, and with `fix` set repairs, the faulty joins; the report stays 0.5 s, 1.5 s when
// there are faults.
void check_and_fix(int fix);
