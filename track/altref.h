// The altitude reference: measured (distance, height) points along the track.
#pragma once

int read_altitude_reference();
