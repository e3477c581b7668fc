// Where the routines of the adjustment give up, the stages of both adjustments end the run
// with these stops.
#pragma once

#include "adjustment/matrix.hpp"
#include "adjustment/precision_search.hpp"
#include "model/errors.hpp"

#include <optional>

namespace interseccao {

inline constexpr const char* singularMatrixMessage = "Matriz singular!";
inline constexpr const char* searchNotConvergingMessage = "Pesquisa da precisao nao convergente!";

// Replaces A (order n) by its inverse, or stops the run on a matrix without one.
inline void invertOrStop(std::int32_t n, Matrix& a) {
    if (!invertMatrix(n, a)) throw RunError::stop(singularMatrixMessage);
}

// The search's result, or the stop of a search that did not end.
inline PrecisionSearch searchedOrStop(std::optional<PrecisionSearch> search) {
    if (!search) throw RunError::stop(searchNotConvergingMessage);
    return *search;
}

} // namespace interseccao
