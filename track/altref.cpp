#include "track/altref.h"

#include <cstdio>
#include <cstdlib>

#include "track/model.h"
#include "track/words.h"

int read_altitude_reference()
{
    FILE* file = std::fopen(altref_file_name, "r");
    if (!file)
        return 1;
    std::printf("Reading altitude reference data from >%s<\n", altref_file_name);
    Word distance, height;
    long ignored = 0;
    altref_count = 0;
    while (read_word(file, distance) && read_word(file, height)) {
        if (altref_count >= MAX_ALTREF_POINTS) {
            ignored++;
            continue;
        }
        altref_distance[altref_count] = to_float(std::atof(distance));
        altref_height[altref_count] = to_float(to_float(std::atof(height)) + (double)altref_offset);
        altref_count++;
    }
    std::fclose(file);
    altref_loaded = 1;
    if (ignored > 0)
        std::printf("Warning: >%s< holds more than %d points; %ld were ignored\n", altref_file_name,
                    MAX_ALTREF_POINTS, ignored);
    return 0;
}
