// Levelling and smoothing a stretch of track: the sections the profile panel shows, along the
// selected trace (the whole width when it is the centre line), rewritten as Hermite cubics
// through new heights and gradients at the inner boundaries. The start of the first section
// and everything from the section after the stretch on stay as they are.
#pragma once

// Key l: one cubic from the stretch's start to its end, meeting the track on both sides with
// the heights and gradients it has there.
// Key s: one pass of a 1-2-1 filter over the inner boundary heights, each gradient then that
// of the chord between its neighbours; repeated, the stretch tends to an even grade.
// Both rewrite first_section..last_section of selected_trace as one change for undo and update
// the unsaved flag. A press that would change no field (or a stretch that is no stretch) is no
// change: nothing is kept and false is returned.
bool level_stretch();
bool smooth_stretch();
