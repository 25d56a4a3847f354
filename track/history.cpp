#include "track/history.h"

#include <cstring>

#include "track/chain.h"

namespace {

struct Record {
    int16_t section, trace;
    TracePoint before, after;
};

struct Change {
    ChangeKind kind;
    int32_t number, last;
    int64_t first; // position of its first record
    int32_t count;
};

// A change keeps each record once, so even one touching every slot fits.
static_assert(HISTORY_RECORDS >= MAX_SECTIONS * MAX_TRACES, "a change must fit the pool");
static_assert(HISTORY_RECORDS >= 2 * (MAX_SECTIONS - 1) * MAX_TRACES, "a fix of the largest track must fit");

constexpr int64_t NEVER = -1;

// Records and changes are numbered by positions that only grow; slot = position modulo capacity.
Record records[HISTORY_RECORDS];
Change changes[HISTORY_CHANGES];
int64_t next_record;
int64_t oldest;  // first change still remembered
int64_t current; // changes applied: the state the model is in
int64_t newest;  // changes kept; those from `current` on can be put back
// State of the file last read or written, or NEVER. Once forgotten it lies below `oldest`,
// where `current` never comes again.
int64_t saved;

// The serial of the open change marks the records it has already kept.
uint32_t kept_in[MAX_SECTIONS][MAX_TRACES];
uint32_t serial;
bool open, started;
int64_t open_first;

Record& record_at(int64_t position)
{
    return records[position % HISTORY_RECORDS];
}

Change& change_at(int64_t id)
{
    return changes[id % HISTORY_CHANGES];
}

bool same(const TracePoint& a, const TracePoint& b)
{
    return a.height == b.height && a.slope == b.slope && a.quad == b.quad && a.cubic == b.cubic;
}

// The first touch makes the open change a change: the branch that could have been put back goes.
void start_change()
{
    if (newest > current) {
        next_record = change_at(current).first;
        newest = current;
        if (saved > current)
            saved = NEVER;
    }
    while (current - oldest >= HISTORY_CHANGES)
        oldest++;
    started = true;
    open_first = next_record;
}

void keep(int32_t section, int32_t trace)
{
    // A slot is free once the change owning the record there is forgotten.
    while (oldest < current && next_record - change_at(oldest).first >= HISTORY_RECORDS)
        oldest++;
    Record& r = record_at(next_record++);
    r.section = (int16_t)section;
    r.trace = (int16_t)trace;
    r.before = trace_point[section][trace];
}

void restore(const Change& c, bool undo)
{
    for (int64_t i = 0; i < c.count; i++) {
        const Record& r = record_at(c.first + i);
        trace_point[r.section][r.trace] = undo ? r.before : r.after;
    }
    for (int64_t i = 0; i < c.count; i++)
        mirror_wrap_slot(record_at(c.first + i).section, record_at(c.first + i).trace);
}

} // namespace

void history_clear()
{
    next_record = oldest = current = newest = saved = 0;
    open = started = false;
}

void history_begin()
{
    if (++serial == 0) {
        std::memset(kept_in, 0, sizeof kept_in);
        serial = 1;
    }
    open = true;
    started = false;
}

void history_touch(int32_t section, int32_t trace)
{
    if (!open || section < 0 || section > num_sections || trace < 0 || trace >= MAX_TRACES)
        return;
    if (kept_in[section][trace] == serial)
        return;
    kept_in[section][trace] = serial;
    if (!started)
        start_change();
    keep(section, trace);
    if (wrap_partner(section) >= 0)
        history_touch(wrap_partner(section), trace);
}

void history_end(ChangeKind kind, int32_t number, int32_t last)
{
    if (!open)
        return;
    open = false;
    if (!started)
        return;
    // Records the change left as they were take no room.
    int64_t end = open_first;
    for (int64_t i = open_first; i < next_record; i++) {
        Record r = record_at(i);
        r.after = trace_point[r.section][r.trace];
        if (!same(r.before, r.after))
            record_at(end++) = r;
    }
    next_record = end;
    change_at(current) = Change{kind, number, last, open_first, (int32_t)(end - open_first)};
    newest = ++current;
}

bool history_undo(ChangeInfo* info)
{
    if (current == oldest)
        return false;
    const Change& c = change_at(--current);
    restore(c, true);
    *info = ChangeInfo{c.kind, c.number, c.last};
    return true;
}

bool history_redo(ChangeInfo* info)
{
    if (current == newest)
        return false;
    const Change& c = change_at(current++);
    restore(c, false);
    *info = ChangeInfo{c.kind, c.number, c.last};
    return true;
}

void history_mark_saved()
{
    saved = current;
}

void history_forget_saved()
{
    saved = NEVER;
}

bool history_unsaved()
{
    return saved != current;
}

bool history_forgot_older()
{
    return oldest > 0;
}
