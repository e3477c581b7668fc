// Runs the planimetric precision search and writes the adjusted position, residuals, angles and
// precisions.
#include "planimetry/report.hpp"

#include "angles/conversions.hpp"
#include "planimetry/chi_square.hpp"
#include "planimetry/precision_search.hpp"
#include "run/errors.hpp"

#include <array>
#include <cmath>
#include <stdexcept>
#include <vector>

namespace interseccao {

namespace {

constexpr std::array<std::string_view, 12> mLayouts = {
    "('     M(',A1,') = ',F12.3,' m')",  "('     M(',A2,') = ',F12.3,' m')",
    "('     M(',A3,') = ',F12.3,' m')",  "('     M(',A4,') = ',F12.3,' m')",
    "('     M(',A5,') = ',F12.3,' m')",  "('     M(',A6,') = ',F12.3,' m')",
    "('     M(',A7,') = ',F12.3,' m')",  "('     M(',A8,') = ',F12.3,' m')",
    "('     M(',A9,') = ',F12.3,' m')",  "('     M(',A10,') = ',F12.3,' m')",
    "('     M(',A11,') = ',F12.3,' m')", "('     M(',A12,') = ',F12.3,' m')",
};
constexpr std::array<std::string_view, 12> pLayouts = {
    "('     P(',A1,') = ',F12.3,' m')",  "('     P(',A2,') = ',F12.3,' m')",
    "('     P(',A3,') = ',F12.3,' m')",  "('     P(',A4,') = ',F12.3,' m')",
    "('     P(',A5,') = ',F12.3,' m')",  "('     P(',A6,') = ',F12.3,' m')",
    "('     P(',A7,') = ',F12.3,' m')",  "('     P(',A8,') = ',F12.3,' m')",
    "('     P(',A9,') = ',F12.3,' m')",  "('     P(',A10,') = ',F12.3,' m')",
    "('     P(',A11,') = ',F12.3,' m')", "('     P(',A12,') = ',F12.3,' m')",
};
constexpr std::array<std::string_view, 12> cLayouts = {
    "('     C(',A1,') = ',F12.3,' m')",  "('     C(',A2,') = ',F12.3,' m')",
    "('     C(',A3,') = ',F12.3,' m')",  "('     C(',A4,') = ',F12.3,' m')",
    "('     C(',A5,') = ',F12.3,' m')",  "('     C(',A6,') = ',F12.3,' m')",
    "('     C(',A7,') = ',F12.3,' m')",  "('     C(',A8,') = ',F12.3,' m')",
    "('     C(',A9,') = ',F12.3,' m')",  "('     C(',A10,') = ',F12.3,' m')",
    "('     C(',A11,') = ',F12.3,' m')", "('     C(',A12,') = ',F12.3,' m')",
};

} // namespace

std::size_t nameLength(const std::string& name) {
    std::size_t length = std::min(name.size(), nameWidth);
    while (length > 0 && name[length - 1] == ' ') --length;
    return length;
}

std::string_view resultLayout(char letter, std::size_t length) {
    if (length < 1 || length > 12) throw std::logic_error("result layout for a name of no length");
    switch (letter) {
    case 'M': return mLayouts[length - 1];
    case 'P': return pLayouts[length - 1];
    case 'C': return cLayouts[length - 1];
    }
    throw std::logic_error("result layout for an unknown letter");
}

PlanimetricSearch precisionSearch(const ObservationSet& observations, PlanimetricPass firstPass,
                                  PassRepetition repetition) {
    const std::int32_t redundancy = observations.redundancy;
    const double testValue = chiSquareTestValue(redundancy);
    const double step = precisionStep(observations.angleUnit);
    PlanimetricSearch search{std::move(firstPass), {}, observations.aprioriPrecision};
    if (search.pass.path == ComputationPath::Structured) {
        // The residuals and the a-posteriori variance are the same at every precision;
        // each step only divides by its own unit variance.
        const double first = observations.aprioriPrecision;
        search.fit = planimetricFit(search.pass, redundancy, first * first);
        search.aprioriPrecision = searchPrecision(first, step, [&](double precision) {
            search.fit.testStatistic =
                fitTestStatistic(search.fit.aposterioriVariance, redundancy, precision * precision);
            return !(search.fit.testStatistic > testValue);
        });
        return search;
    }
    bool first = true;
    search.aprioriPrecision =
        searchPrecision(observations.aprioriPrecision, step, [&](double precision) {
            if (!first && repetition == PassRepetition::Rerun)
                search.pass = adjustPlanimetry(observations, precision, ComputationPath::General);
            first = false;
            search.fit = planimetricFit(search.pass, redundancy, precision * precision);
            return !(search.fit.testStatistic > testValue);
        });
    return search;
}

PlanimetricResult writePlanimetricResults(const ObservationSet& observations,
                                          const PlanimetricSearch& search, Output& output) {
    const PlanimetricPass& pass = search.pass;
    const FitTest& fit = search.fit;
    const AngleUnit unit = observations.angleUnit;
    const std::int32_t t = pass.sightings;

    PlanimetricResult result;
    result.approximate = pass.approximate;
    result.adjusted = {pass.approximate.m + pass.correctionM,
                       pass.approximate.p + pass.correctionP};

    std::vector<double> adjustedAngles(static_cast<std::size_t>(t)); // radians
    for (std::int32_t k = 1; k <= t; ++k)
        adjustedAngles[static_cast<std::size_t>(k - 1)] =
            std::fabs(pass.observedAngle(k, 1) - fit.residual(k, 1));
    const double variance = fit.aposterioriVariance;
    const double varianceM = variance * pass.normalInverse(1, 1); // square metres
    const double varianceP = variance * pass.normalInverse(2, 2);
    // Only the diagonal of the adjusted angles' cofactor matrix is printed.
    const Matrix angleCofactorDiagonal =
        adjustedCofactorDiagonal(pass.path, t, 2, pass.designMatrix, pass.normalInverse);
    std::vector<double> angleVariances(static_cast<std::size_t>(t)); // square degrees
    for (std::int32_t k = 1; k <= t; ++k)
        angleVariances[static_cast<std::size_t>(k - 1)] =
            varianceToSquareDegrees(angleCofactorDiagonal(k, 1) * variance);

    // A diverging adjustment can end in values that have no meaning (overflowed, or the
    // square root of a negative variance); the report would show them only as asterisks.
    bool computable = std::isfinite(search.aprioriPrecision) && std::isfinite(result.adjusted.m) &&
                      std::isfinite(result.adjusted.p) && varianceM >= 0 &&
                      std::isfinite(varianceM) && varianceP >= 0 && std::isfinite(varianceP);
    for (std::int32_t k = 1; k <= t; ++k) {
        const auto i = static_cast<std::size_t>(k - 1);
        computable = computable && std::isfinite(fit.residual(k, 1)) &&
                     std::isfinite(adjustedAngles[i]) && angleVariances[i] >= 0 &&
                     std::isfinite(angleVariances[i]);
    }
    if (!computable) throw Stop(outOfRangeMessage);

    if (unit == AngleUnit::Gon)
        output.writeReportLine("('Precisao a posteriori das leituras azimutais: ',F4.1,' mgon')",
                               {radiansToMilligon(search.aprioriPrecision)});
    else
        output.writeReportLine(
            "('Precisao a posteriori das leituras azimutais: ',F4.1,' segundos')",
            {radiansToArcSeconds(search.aprioriPrecision)});
    output.writePlainLine(Channel::Report);
    output.writeReportLine(
        "(A35,I3)", {"Numero de iteracoes (planimetria): ", std::int64_t{pass.iterationCount}});
    output.writePlainLine(Channel::Report);
    output.writeReportLine("(A36)", {"Coordenadas planimetricas ajustadas:"});
    output.writePlainLine(Channel::Report);
    const std::string& name = observations.sightedPointName;
    if (const std::size_t length = nameLength(name); length > 0) {
        output.writeReportLine(resultLayout('M', length), {name, result.adjusted.m});
        output.writeReportLine(resultLayout('P', length), {name, result.adjusted.p});
    }
    output.writePlainLine(Channel::Report);

    output.writeReportLine("(A31)", {"Residuos dos angulos azimutais:"});
    output.writePlainLine(Channel::Report);
    for (std::int32_t k = 1; k <= t; ++k) {
        if (unit == AngleUnit::Gon)
            output.writeReportLine("(5X,F10.5,' mgon')", {radiansToMilligon(fit.residual(k, 1))});
        else
            output.writeReportLine("(5X,F7.2,' \"')", {radiansToArcSeconds(fit.residual(k, 1))});
    }
    output.writePlainLine(Channel::Report);

    output.writeReportLine("(A28)", {"Angulos azimutais ajustados:"});
    output.writePlainLine(Channel::Report);
    for (const double adjustedAngle : adjustedAngles) {
        switch (unit) {
        case AngleUnit::DecimalDegrees:
            output.writeReportLine("(5X,F10.5,' \xBA')", {radiansToDegrees(adjustedAngle)});
            break;
        case AngleUnit::Sexagesimal: {
            const DegreesMinutesSeconds dms = splitDegrees(radiansToDegrees(adjustedAngle));
            output.writeReportLine("(5X,I3,I3,F5.1)", {dms.degrees, dms.minutes, dms.seconds});
            break;
        }
        case AngleUnit::Gon:
            output.writeReportLine("(5X,F10.5,' gon')", {radiansToGon(adjustedAngle)});
            break;
        }
    }
    output.writePlainLine(Channel::Report);

    output.writeReportLine("('Precisao das coordenadas: em M = ',F5.3,' m; em P = ',F5.3,' m')",
                           {std::sqrt(varianceM), std::sqrt(varianceP)});
    output.writePlainLine(Channel::Report);

    output.writeReportLine("(A41)", {"Precisao dos angulos azimutais ajustados:"});
    output.writePlainLine(Channel::Report);
    for (const double angleVariance : angleVariances) {
        if (unit == AngleUnit::Gon)
            output.writeReportLine("(8X,F7.5,' gon')", {degreesToGon(std::sqrt(angleVariance))});
        else
            output.writeReportLine("(5X,F7.2,' \"')", {std::sqrt(angleVariance) * 3600.0});
    }
    return result;
}

PlanimetricResult runPlanimetry(ObservationSet& observations, Output& output, ComputationPath path,
                                PassRepetition repetition) {
    writePlanimetricHeading(observations, output);
    PlanimetricPass first = adjustPlanimetry(observations, observations.aprioriPrecision, path);
    if (first.zeroRedundancy) {
        output.writePlainLine(Channel::Report, "Redundancia=0");
        output.writePlainLine(Channel::Report);
        output.writeReportLine("(' Mp=',F12.3,' m',' ;Pp=',F12.3,' m')",
                               {first.approximate.m, first.approximate.p});
        throw Stop();
    }
    const PlanimetricSearch search = precisionSearch(observations, std::move(first), repetition);
    observations.aprioriPrecision = search.aprioriPrecision;
    return writePlanimetricResults(observations, search, output);
}

} // namespace interseccao
