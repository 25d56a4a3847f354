#include "track/hermite.h"

#include "track/model.h"

void hermite_end(double a, double b, double end, double end_derivative, int32_t* quad, int32_t* cubic)
{
    double d = end - a;
    *cubic = to_int32(end_derivative - 2.0 * d + b);
    *quad = to_int32(3.0 * d - end_derivative - 2.0 * b);
}
