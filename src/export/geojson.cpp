// The GeoJSON layer: one feature per point, in the job's plane coordinates, the coordinate
// system named in the 2008 format's `crs` member, as GDAL and QGIS read it.
#include "export/export.hpp"
#include "model/angle_units.hpp"
#include "text/encoding.hpp"

#include <nlohmann/json.hpp>

#include <cctype>

namespace interseccao {

namespace {

using json = nlohmann::ordered_json;

json number(double value) { return std::isfinite(value) ? json(value) : json(nullptr); }

json optionalNumber(const std::optional<double>& value) {
    return value ? number(*value) : json(nullptr);
}

const char* roleText(PointRole role) {
    switch (role) {
    case PointRole::Station: return "estacao";
    case PointRole::Reference: return "referencia";
    case PointRole::NewPoint: return "ponto novo";
    }
    return "";
}

json properties(const SurveyPoint& point) {
    json p = {{"nome", toUtf8(point.name)},
              {"papel", roleText(point.role)},
              {"ficheiro", toUtf8(point.source)},
              {"M", number(point.position.m)},
              {"P", number(point.position.p)}};
    if (point.role != PointRole::NewPoint) return p;
    p["C"] = optionalNumber(point.height);
    p["ajustado"] = point.adjusted;
    p["precisao_M"] = optionalNumber(point.deviationM);
    p["precisao_P"] = optionalNumber(point.deviationP);
    p["precisao_C"] = optionalNumber(point.deviationC);
    const auto& e = point.ellipse;
    p["elipse_a"] = e ? number(e->a) : json(nullptr);
    p["elipse_b"] = e ? number(e->b) : json(nullptr);
    p["elipse_azimute_graus"] = e ? number(radiansToDegrees(e->bearing)) : json(nullptr);
    return p;
}

json feature(const SurveyPoint& point) {
    json coordinates = {number(point.position.m), number(point.position.p)};
    if (point.height) coordinates.push_back(number(*point.height));
    return {{"type", "Feature"},
            {"geometry", {{"type", "Point"}, {"coordinates", coordinates}}},
            {"properties", properties(point)}};
}

} // namespace

std::optional<std::string> crsUrn(const std::string& code) {
    const std::size_t colon = code.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == code.size()) return std::nullopt;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const auto c = static_cast<unsigned char>(code[i]);
        if (i < colon ? !std::isalpha(c) : i > colon && !std::isdigit(c)) return std::nullopt;
    }
    std::string authority = code.substr(0, colon);
    for (char& c : authority) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return "urn:ogc:def:crs:" + authority + "::" + code.substr(colon + 1);
}

void writeGeoJson(const PointSet& points, std::ostream& out) {
    json document = {{"type", "FeatureCollection"}, {"name", "interseccao"}};
    if (!points.coordinateSystem.empty()) {
        const auto urn = crsUrn(points.coordinateSystem);
        document["crs"] = {
            {"type", "name"},
            {"properties", {{"name", urn ? *urn : toUtf8(points.coordinateSystem)}}}};
    }
    json features = json::array();
    for (const SurveyPoint& point : points.points) features.push_back(feature(point));
    document["features"] = features;
    out << document.dump(2) << '\n';
}

} // namespace interseccao
