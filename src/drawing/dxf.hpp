// The drawing of every point of a run for CAD programs: a DXF of AutoCAD 2000 (AC1015), in
// the job's coordinates with metres as the drawing's units, read by AutoCAD 2000 and later and
// by LibreCAD. It holds only what it shows: layers, POINT, TEXT, LINE, ELLIPSE and INSERT
// entities with the attributes of a points block, and the objects a drawing of that version
// needs.
#pragma once

#include "results/point_set.hpp"

#include <optional>
#include <ostream>
#include <string>

namespace interseccao {

// The drawing's sizes: the scale at which it prints like the SVG drawing's map, the
// enlargement of the error ellipses, and the labels' height on the ground at that scale.
struct DxfScale {
    double denominator = 1000;           // 1 : denominator
    std::optional<double> ellipseFactor; // when there is an ellipse to draw
    double textHeight = 1;               // metres
};
DxfScale dxfScale(const PointSet& points);

// The layers, by role; the ellipses' layer name holds the factor ("ELIPSES_X2000").
inline constexpr const char* stationLayer = "ESTACOES";
inline constexpr const char* referenceLayer = "REFERENCIAS";
inline constexpr const char* newPointLayer = "PONTOS_NOVOS";
inline constexpr const char* rayLayer = "VISADAS";
inline constexpr const char* suspectLayer = "LEITURA_SUSPEITA";
inline constexpr const char* labelLayer = "ROTULOS";
inline constexpr const char* noteLayer = "NOTAS";
std::string ellipseLayer(double factor);

// The block inserted at every point, with the attributes NOME, M, P, C, PREC_M, PREC_P and
// PREC_C that CAD programs extract to a table.
inline constexpr const char* pointBlock = "PONTO";

// Writes the DXF of the points (at least one), in ASCII with CR LF line ends.
void writeDxf(const PointSet& points, std::ostream& out);

} // namespace interseccao
