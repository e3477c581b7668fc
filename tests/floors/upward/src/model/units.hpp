// A model header that reaches up to the application.
#pragma once

#include "app/main_window.hpp"
