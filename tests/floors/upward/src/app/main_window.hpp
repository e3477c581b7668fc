// The application may include the model.
#pragma once

#include "model/units.hpp"
