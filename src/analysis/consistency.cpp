// Checks of the file's records against each other and against what a reading can be.
#include "analysis/quality.hpp"
#include "analysis/wording.hpp"
#include "model/angle_units.hpp"
#include "text/numbers.hpp"

#include <cmath>

namespace interseccao {

namespace {

// Coordinates written to the millimetre match when they differ by less than half of it.
constexpr double coordinateMatch = 0.0005; // metres

// A zenith reading outside 50 to 150 gon sights more than 50 gon above or below the
// horizon: for a forward intersection far likelier an elevation angle typed as a zenith
// reading (2 instead of 88) than a real sight.
constexpr double lowestZenith = 3.14159265358979323846 / 4.0;        // 50 gon
constexpr double highestZenith = 3.0 * 3.14159265358979323846 / 4.0; // 150 gon

// A minute or a second of arc is below 60.
constexpr double sexagesimalLimit = 60.0;

bool samePosition(double m1, double p1, double m2, double p2) {
    return std::fabs(m1 - m2) < coordinateMatch && std::fabs(p1 - p2) < coordinateMatch;
}

std::string writtenText(const WrittenSexagesimal& w) {
    return fixed(w.degrees, 0) + " " + fixed(w.minutes, 0) + " " + fixed(w.seconds, 2);
}

bool beyondSexagesimal(const std::optional<WrittenSexagesimal>& w) {
    return w &&
           (std::fabs(w->minutes) >= sexagesimalLimit || std::fabs(w->seconds) >= sexagesimalLimit);
}

} // namespace

bool looksLikeElevation(double zenithReading) {
    return zenithReading < lowestZenith || zenithReading > highestZenith;
}

std::vector<std::string> consistencyWarnings(const ObservationSet& observations) {
    std::vector<std::string> warnings;
    const std::string point(trimmedName(observations.sightedPointName));
    for (const Station& station : observations.stations) {
        const std::string name(trimmedName(station.name));
        if (beyondSexagesimal(station.pointReadingWritten))
            warnings.push_back("Leitura de " + name + " para " + point + " escrita como " +
                               writtenText(*station.pointReadingWritten) +
                               ": minutos ou segundos de 60 ou mais.");
        for (const ReferenceSighting& reference : station.references)
            if (beyondSexagesimal(reference.written))
                warnings.push_back("Leitura de " + name + " para " +
                                   std::string(trimmedName(reference.name)) + " escrita como " +
                                   writtenText(*reference.written) +
                                   ": minutos ou segundos de 60 ou mais.");
    }
    const AngleUnit unit = observations.angleUnit;
    for (std::size_t k = 0; k < observations.zenithObservations.size(); ++k) {
        const ZenithObservation& z = observations.zenithObservations[k];
        const std::string name(trimmedName(z.stationName));
        const std::string record = "Registo zenital " + std::to_string(k + 1) + " (" + name + ")";
        // Paired by position and name: two stations may bear one name once names are cut.
        const Station* named = nullptr;
        const Station* placed = nullptr;
        bool paired = false;
        for (const Station& station : observations.stations) {
            const bool sameName = trimmedName(station.name) == name;
            const bool samePlace = samePosition(station.m, station.p, z.m, z.p);
            paired = paired || (sameName && samePlace);
            if (!named && sameName) named = &station;
            if (!placed && samePlace) placed = &station;
        }
        if (paired) {
            // The record is its station's.
        } else if (!named && !placed)
            warnings.push_back(record +
                               ": nem o nome nem as coordenadas correspondem a uma estação dos "
                               "dados planimétricos.");
        else if (!named)
            warnings.push_back(record +
                               ": nenhuma estação com este nome; as coordenadas são as "
                               "da estação " +
                               std::string(trimmedName(placed->name)) + ".");
        else if (!samePosition(named->m, named->p, z.m, z.p))
            warnings.push_back(record + ": as coordenadas (" + fixed(z.m, 3) + ", " +
                               fixed(z.p, 3) + ") não são as da estação " + name + " (" +
                               fixed(named->m, 3) + ", " + fixed(named->p, 3) + ").");
        if (beyondSexagesimal(z.zenithReadingWritten))
            warnings.push_back(record + ": leitura zenital escrita como " +
                               writtenText(*z.zenithReadingWritten) +
                               ": minutos ou segundos de 60 ou mais.");
        if (looksLikeElevation(z.zenithReading))
            warnings.push_back(record + ": leitura zenital de " +
                               fixed(toDirection(z.zenithReading, unit), 4) +
                               directionSymbol(unit) +
                               ", fora de 50 a 150 gon: parece um ângulo de elevação escrito "
                               "como leitura zenital (a cota sai errada sem outro aviso).");
    }
    return warnings;
}

} // namespace interseccao
