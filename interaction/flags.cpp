#include "interaction/flags.h"

#include "track/history.h"

uint16_t quit_requested;
uint16_t data_modified;
uint16_t left_button_held;
int32_t status_cache;

void update_data_modified()
{
    data_modified = history_unsaved() ? 1 : 0;
}
