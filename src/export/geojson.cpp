// The GeoJSON layer: one feature per point, in the job's plane coordinates, the coordinate
// system named in the 2008 format's `crs` member, as GDAL and QGIS read it.
#include "export/export.hpp"
#include "export/json_text.hpp"
#include "model/angle_units.hpp"
#include "text/encoding.hpp"

#include <cctype>

namespace interseccao {

namespace {

const char* roleText(PointRole role) {
    switch (role) {
    case PointRole::Station: return "estacao";
    case PointRole::Reference: return "referencia";
    case PointRole::NewPoint: return "ponto novo";
    }
    return "";
}

void properties(JsonText& j, const SurveyPoint& point) {
    j.object([&] {
        j.member("nome", toUtf8(point.name));
        j.member("papel", roleText(point.role));
        j.member("ficheiro", toUtf8(point.source));
        j.member("M", point.position.m);
        j.member("P", point.position.p);
        if (point.role != PointRole::NewPoint) return;
        j.member("C", point.height);
        j.member("ajustado", point.adjusted);
        j.member("precisao_M", point.deviationM);
        j.member("precisao_P", point.deviationP);
        j.member("precisao_C", point.deviationC);
        const auto& e = point.ellipse;
        j.member("elipse_a", e ? std::optional(e->a) : std::nullopt);
        j.member("elipse_b", e ? std::optional(e->b) : std::nullopt);
        j.member("elipse_azimute_graus",
                 e ? std::optional(radiansToDegrees(e->bearing)) : std::nullopt);
    });
}

void feature(JsonText& j, const SurveyPoint& point) {
    j.object([&] {
        j.member("type", "Feature");
        j.member("geometry", [&] {
            j.object([&] {
                j.member("type", "Point");
                j.member("coordinates", [&] {
                    j.array([&] {
                        j.value(point.position.m);
                        j.value(point.position.p);
                        if (point.height) j.value(*point.height);
                    });
                });
            });
        });
        j.member("properties", [&] { properties(j, point); });
    });
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
    JsonText j(out);
    j.object([&] {
        j.member("type", "FeatureCollection");
        j.member("name", "interseccao");
        if (!points.coordinateSystem.empty()) {
            const auto urn = crsUrn(points.coordinateSystem);
            j.member("crs", [&] {
                j.object([&] {
                    j.member("type", "name");
                    j.member("properties", [&] {
                        j.object([&] {
                            j.member("name", urn ? *urn : toUtf8(points.coordinateSystem));
                        });
                    });
                });
            });
        }
        j.member("features", [&] {
            j.array([&] {
                for (const SurveyPoint& point : points.points) feature(j, point);
            });
        });
    });
    j.flush();
    out << '\n';
}

} // namespace interseccao
