// The choice between the two ways of computing the adjustments, which give the same report.
#pragma once

namespace interseccao {

// `Structured` keeps the weight matrices one block per station (or per zenith reading),
// forms only the diagonals of the covariance matrices that the report prints, tests the
// fit of a pass once per precision instead of recomputing it, and reuses an altimetric
// cycle that starts from a height already seen. `General` forms every matrix in full with
// the general matrix routines, as the adjustment is written down; it is slow for large
// networks and long precision searches and is kept to check the structured one.
enum class ComputationPath { Structured, General };

} // namespace interseccao
