#include "interaction/flags.h"

uint16_t quit_requested;
uint16_t data_modified;
uint16_t left_button_held;
int32_t status_cache;
