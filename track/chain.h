// The closed chain of sections: which slot comes before and after a section. The section
// after the last one is section 0, reached through the wrap-around slot `num_sections`, which
// mirrors section 0 (its record is kept equal to section 0's by mirror_wrap_slot).
#pragma once
#include <cstdint>

#include "track/model.h"

// The section that ends where section s starts: the last one for s = 0.
inline int32_t previous_section(int32_t s)
{
    return s == 0 ? num_sections - 1 : s - 1;
}

// The slot that starts where section s ends: s + 1, the wrap-around slot for the last section.
inline int32_t next_slot(int32_t s)
{
    return s + 1;
}

// The slot that starts where next_slot(s) ends. After the last section the next slot stands
// for section 0, so the one after it is section 1 (the wrap-around slot again on a track of
// one section).
inline int32_t slot_after_next(int32_t s)
{
    return s == num_sections - 1 ? 1 : s + 2;
}

// The slot that holds the same record as `section`: the wrap-around slot for section 0 and
// section 0 for the wrap-around slot; -1 for every other section.
inline int32_t wrap_partner(int32_t section)
{
    return section == 0 ? num_sections : section == num_sections ? 0 : -1;
}

// After trace_point[section][trace] changed: where section is 0 or the wrap-around slot, copies
// it to the other one; any other section needs nothing.
inline void mirror_wrap_slot(int32_t section, int32_t trace)
{
    const int32_t partner = wrap_partner(section);
    if (partner >= 0 && num_sections >= 0 && num_sections < MAX_SECTIONS)
        trace_point[partner][trace] = trace_point[section][trace];
}
