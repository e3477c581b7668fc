// The JSON document: every observation file, its data and its results.
#include "export/export.hpp"
#include "export/json_run.hpp"
#include "model/angle_units.hpp"
#include "results/analysis_wording.hpp"
#include "text/encoding.hpp"
#include "text/numbers.hpp"

#include <utility>

namespace interseccao {

namespace {

// A figure written as a number: whatever its type in the program, a floating-point value
// (a count is written as a count where it is one).
double number(double value) { return value; }

// An angle in radians and in the file's unit: degrees for "gc" and "gs" (with degrees,
// minutes and seconds for "gs"), gon for "gr".
void angle(JsonText& j, AngleUnit unit, double radians) {
    j.object([&] {
        j.member("rad", number(radians));
        j.member("valor", number(unit == AngleUnit::Gon ? radiansToGon(radians)
                                                        : radiansToDegrees(radians)));
        if (unit != AngleUnit::Sexagesimal) return;
        const DegreesMinutesSeconds dms = splitDegrees(radiansToDegrees(radians));
        j.member("gms", [&] {
            j.array([&] {
                j.value(dms.degrees);
                j.value(dms.minutes);
                j.value(number(dms.seconds));
            });
        });
    });
}

auto angleOf(JsonText& j, AngleUnit unit, double radians) {
    return [&j, unit, radians] { angle(j, unit, radians); };
}

// A precision of one reading in radians and in the file's unit (seconds of arc or milligon).
auto precisionOf(JsonText& j, AngleUnit unit, double radians) {
    return [&j, unit, radians] {
        j.object([&] {
            j.member("rad", number(radians));
            j.member("valor", number(unit == AngleUnit::Gon ? radiansToMilligon(radians)
                                                            : radiansToArcSeconds(radians)));
        });
    };
}

// A plane position as {"M": ..., "P": ...}.
auto positionOf(JsonText& j, const PlanePoint& point) {
    return [&j, point] {
        j.object([&] {
            j.member("M", number(point.m));
            j.member("P", number(point.p));
        });
    };
}

// A 2 × 2 matrix, row by row, each element multiplied by `factor`.
auto matrixOf(JsonText& j, const std::array<double, 4>& m, double factor) {
    return [&j, &m, factor] {
        j.array([&] {
            for (int row = 0; row < 2; ++row)
                j.array([&] {
                    j.value(number(factor * m[2 * row]));
                    j.value(number(factor * m[2 * row + 1]));
                });
        });
    };
}

// A name where a value goes, in UTF-8: most names are ASCII, which UTF-8 writes as it stands.
auto nameOf(JsonText& j, const std::string& padded) {
    return [&j, &padded] {
        const std::string_view name = trimmedName(padded);
        if (isAscii(name))
            j.value(name);
        else
            j.value(toUtf8(name));
    };
}

const char* verdictText(Verdict verdict) {
    return verdict == Verdict::Accepted ? "aceite" : "rejeitado";
}

void search(JsonText& j, AngleUnit unit, const FitTest& fit, const PrecisionSearch& s) {
    j.object([&] {
        j.member("inicio", precisionOf(j, unit, s.start));
        j.member("passo", precisionOf(j, unit, s.step));
        j.member("testes", s.tests);
        j.member("primeiro_veredicto", verdictText(s.firstVerdict));
        j.member("ultimo_veredicto", verdictText(s.lastVerdict));
        j.member("precisao", precisionOf(j, unit, s.precision));
        j.member("teste", [&] {
            j.object([&] {
                j.member("redundancia", fit.redundancy);
                j.member("fator_variancia", number(fit.varianceFactor));
                j.member("valor_critico", number(fit.testValue));
                j.member("estatistica", number(fit.statistic(s.precision)));
            });
        });
    });
}

void stations(JsonText& j, const ObservationSet& observations) {
    const AngleUnit unit = observations.angleUnit;
    j.array([&] {
        for (const Station& station : observations.stations)
            j.object([&] {
                j.member("nome", nameOf(j, station.name));
                j.member("M", number(station.m));
                j.member("P", number(station.p));
                j.member("leitura_ponto", angleOf(j, unit, station.pointReading));
                j.member("referencias", [&] {
                    j.array([&] {
                        for (const ReferenceSighting& r : station.references)
                            j.object([&] {
                                j.member("nome", nameOf(j, r.name));
                                j.member("M", number(r.m));
                                j.member("P", number(r.p));
                                j.member("leitura", angleOf(j, unit, r.reading));
                            });
                    });
                });
            });
    });
}

void zenithRecords(JsonText& j, const ObservationSet& observations) {
    j.array([&] {
        for (const ZenithObservation& z : observations.zenithObservations)
            j.object([&] {
                j.member("estacao", nameOf(j, z.stationName));
                j.member("M", number(z.m));
                j.member("P", number(z.p));
                j.member("cota_estacao", number(z.stationHeight));
                j.member("leitura", angleOf(j, observations.angleUnit, z.zenithReading));
                j.member("altura_instrumento", number(z.instrumentHeight));
                j.member("altura_alvo", number(z.targetHeight));
            });
    });
}

void orientation(JsonText& j, const ObservationSet& observations, const Orientation& o) {
    const AngleUnit unit = observations.angleUnit;
    j.array([&] {
        for (std::size_t i = 0; i < o.stations.size(); ++i) {
            const Station& station = observations.stations[i];
            const StationOrientation& oriented = o.stations[i];
            j.object([&] {
                j.member("estacao", nameOf(j, station.name));
                j.member("rumos", [&] {
                    j.array([&] {
                        for (std::size_t k = 0; k < oriented.bearings.size(); ++k)
                            j.object([&] {
                                j.member("referencia", nameOf(j, station.references[k].name));
                                j.member("rumo", angleOf(j, unit, oriented.bearings[k]));
                            });
                    });
                });
                if (oriented.complete)
                    j.member("rumo_medio", angleOf(j, unit, oriented.meanBearing));
                else
                    j.member("rumo_medio", nullptr);
            });
        }
    });
}

void adjustedAngles(JsonText& j, const ObservationSet& observations, const PlanimetricSolution& s) {
    j.array([&] {
        std::size_t k = 0;
        for (const Station& station : observations.stations)
            for (const ReferenceSighting& reference : station.references) {
                j.object([&] {
                    j.member("estacao", nameOf(j, station.name));
                    j.member("referencia", nameOf(j, reference.name));
                    j.member("observado", number(s.observedAngles[k]));
                    j.member("residuo", number(s.residuals[k]));
                    j.member("ajustado", number(s.adjustedAngles[k]));
                    j.member("desvio_padrao",
                             number(decimalDegreesToRadians(s.adjustedAngleDeviations[k])));
                });
                ++k;
            }
    });
}

void planimetry(JsonText& j, const ObservationSet& observations, const PlanimetricSolution& s) {
    j.object([&] {
        j.member("posicao_aproximada", positionOf(j, s.approximate));
        j.member("ajustada", s.adjusted);
        if (!s.adjusted) return;
        j.member("iteracoes", s.iterationCount);
        j.member("linearizacao", positionOf(j, s.linearisation));
        j.member("M", number(s.point.m));
        j.member("P", number(s.point.p));
        j.member("precisao_M", number(s.deviationM));
        j.member("precisao_P", number(s.deviationP));
        j.member("cofatores", matrixOf(j, s.cofactor, 1));
        j.member("covariancia", matrixOf(j, s.cofactor, s.fit.varianceFactor));
        j.member("angulos", [&] { adjustedAngles(j, observations, s); });
        j.member("pesquisa", [&] { search(j, observations.angleUnit, s.fit, s.search); });
    });
}

void height(JsonText& j, const ObservationSet& observations, const HeightSolution& s) {
    j.object([&] {
        j.member("cota_inicial", number(s.firstHeight));
        j.member("iteracoes", s.iterationCount);
        j.member("C", number(s.height));
        j.member("precisao_C", number(s.deviation));
        j.member("cofator", number(s.cofactor));
        j.member("variancia", number(s.fit.varianceFactor * s.cofactor));
        j.member("leituras", [&] {
            j.array([&] {
                for (std::size_t i = 0; i < s.residuals.size(); ++i)
                    j.object([&] {
                        const ZenithObservation& z = observations.zenithObservations[i];
                        j.member("estacao", nameOf(j, z.stationName));
                        j.member("observado", number(z.zenithReading));
                        j.member("residuo", number(s.residuals[i]));
                        j.member("ajustado", number(s.adjustedAngles[i]));
                        j.member("desvio_padrao",
                                 number(decimalDegreesToRadians(s.adjustedAngleDeviations[i])));
                    });
            });
        });
        j.member("pesquisa", [&] { search(j, observations.angleUnit, s.fit, s.search); });
    });
}

auto ellipseOf(JsonText& j, const std::optional<ErrorEllipse>& e) {
    return [&j, &e] {
        if (!e) return j.value(nullptr);
        j.object([&] {
            j.member("a", number(e->a));
            j.member("b", number(e->b));
            j.member("azimute", number(e->bearing));
        });
    };
}

// The point and the fit without one reading (`plane`) or only the fit (a zenith reading).
auto leftOutOf(JsonText& j, const LeaveOneOut& without, bool plane) {
    return [&j, &without, plane] {
        if (without.status != LeaveOneOut::Status::Computed) return j.value(nullptr);
        j.object([&] {
            if (plane) {
                j.member("M", number(without.point.m));
                j.member("P", number(without.point.p));
                j.member("deslocamento", number(without.shift));
                j.member("azimute_deslocamento", number(without.shiftBearing));
            }
            j.member("graus_liberdade", without.degreesOfFreedom);
            j.member("sigma0", without.unitDeviation);
        });
    };
}

// A reading's tests, as members of the reading's entry.
void readingTests(JsonText& j, const ReadingTests& t) {
    j.member("residuo", number(t.residual));
    j.member("redundancia", number(t.redundancyNumber));
    j.member("w", t.standardized);
    j.member("tau", t.studentized);
    j.member("mdb", t.minimalDetectableBias);
    j.member("suspeita", t.suspected);
}

// Every horizontal reading's tests and the point without it.
void horizontalReadings(JsonText& j, const ObservationSet& observations,
                        const PlanimetricQuality& q) {
    j.array([&] {
        for (const HorizontalReadingQuality& r : q.readings) {
            const Station& station =
                observations.stations[static_cast<std::size_t>(r.index.station)];
            const std::string& target =
                r.index.reference == sightedPointTarget
                    ? observations.sightedPointName
                    : station.references[static_cast<std::size_t>(r.index.reference)].name;
            j.object([&] {
                j.member("estacao", nameOf(j, station.name));
                j.member("alvo", nameOf(j, target));
                readingTests(j, r.tests);
                j.member("deslocamento_mdb", number(r.biasShift));
                j.member("sem", leftOutOf(j, r.without, true));
            });
        }
    });
}

// The shift of the point and the fit without each station.
void withoutStations(JsonText& j, const ObservationSet& observations, const PlanimetricQuality& q) {
    j.array([&] {
        for (std::size_t i = 0; i < q.withoutStation.size(); ++i) {
            const LeaveOneOut& without = q.withoutStation[i];
            const bool computed = without.status == LeaveOneOut::Status::Computed;
            j.object([&] {
                j.member("nome", nameOf(j, observations.stations[i].name));
                if (!computed) {
                    for (const char* key : {"deslocamento", "azimute_deslocamento", "sigma0_sem"})
                        j.member(key, nullptr);
                    return;
                }
                j.member("deslocamento", number(without.shift));
                j.member("azimute_deslocamento", number(without.shiftBearing));
                j.member("sigma0_sem", without.unitDeviation);
            });
        }
    });
}

void zenithReadings(JsonText& j, const ObservationSet& observations, const QualityAnalysis& a) {
    j.array([&] {
        if (!a.height) return;
        for (std::size_t i = 0; i < a.height->readings.size(); ++i) {
            const ZenithReadingQuality& z = a.height->readings[i];
            j.object([&] {
                j.member("estacao", nameOf(j, observations.zenithObservations[i].stationName));
                readingTests(j, z.tests);
                if (z.without.status == LeaveOneOut::Status::Computed)
                    j.member("cota_sem", number(z.heightWithout));
                else
                    j.member("cota_sem", nullptr);
            });
        }
    });
}

void warnings(JsonText& j, const std::vector<Warning>& list, const ObservationSet& observations) {
    j.array([&] {
        for (const Warning& warning : list) j.value(warningText(warning, observations));
    });
}

// The tests of the whole fit.
void fitTests(JsonText& j, const ObservationSet& observations, const QualityAnalysis& a) {
    const PlanimetricQuality& q = a.planimetry;
    j.member("veredicto", verdictText(observations, a));
    j.member("graus_liberdade", q.degreesOfFreedom);
    j.member("redundancia_relatorio", q.reportRedundancy);
    j.member("sigma0", q.unitDeviation);
    j.member("sigma0_intervalo_95", [&] {
        j.array([&] {
            j.value(q.unitDeviationLower);
            j.value(q.unitDeviationUpper);
        });
    });
    j.member("teste_global", [&] {
        j.object([&] {
            if (q.globalTest)
                j.member("aceite", *q.globalTest == Verdict::Accepted);
            else
                j.member("aceite", nullptr);
            j.member("estatistica", q.globalStatistic);
            j.member("quantil_95", q.globalQuantile);
        });
    });
    j.member("tau_critico", q.studentizedCritical);
}

// The quality analysis, in metres and radians.
void analysis(JsonText& j, const ObservationSet& observations, const QualityAnalysis& a) {
    const PlanimetricQuality& q = a.planimetry;
    j.object([&] {
        fitTests(j, observations, a);
        j.member("elipse", ellipseOf(j, q.rigorousEllipse));
        j.member("elipse_relatorio", ellipseOf(j, q.reportEllipse));
        j.member("elipse_95", ellipseOf(j, q.confidenceEllipse));
        j.member("correlacao_MP", number(q.correlation));
        if (q.weakest)
            j.member("angulo_intersecao_minimo", number(q.weakest->angle));
        else
            j.member("angulo_intersecao_minimo", nullptr);
        j.member("leituras", [&] { horizontalReadings(j, observations, q); });
        j.member("estacoes", [&] { withoutStations(j, observations, q); });
        j.member("zenitais", [&] { zenithReadings(j, observations, a); });
        j.member("avisos", [&] { warnings(j, a.warnings, observations); });
    });
}

const char* stateCode(Outcome outcome) {
    switch (outcome) {
    case Outcome::Completed: return "concluido";
    case Outcome::Stopped: return "parado";
    case Outcome::Failed: return "erro";
    }
    return "";
}

// What was read of the file besides its data: encoding, cut names, what came after the data.
void reading(JsonText& j, const FileRun& run) {
    j.member("codificacao", run.encoding == TextEncoding::Utf8 ? "UTF-8" : "Latin-1");
    j.member("nomes_cortados", [&] {
        j.array([&] {
            for (const CutName& cut : run.cutNames)
                j.object([&] {
                    j.member("linha", cut.line);
                    j.member("escrito", toUtf8(cut.written));
                    j.member("cortado", toUtf8(cut.kept));
                });
        });
    });
    if (run.dataAfterLine)
        j.member("dados_depois_da_linha", *run.dataAfterLine);
    else
        j.member("dados_depois_da_linha", nullptr);
    j.member("avisos", [&] { warnings(j, run.warnings, run.values.observations); });
    j.member("cota_duvidosa", run.elevationLikeZenith);
}

void settings(JsonText& j, const FileRun& run) {
    const ObservationSet& observations = run.values.observations;
    const AngleUnit unit = observations.angleUnit;
    j.object([&] {
        j.member("unidade", std::string(angleUnitCode(unit)));
        j.member("tolerancia", number(observations.tolerance));
        j.member("precisao_a_priori", precisionOf(j, unit, observations.aprioriPrecision));
        if (!run.coordinateSystem.empty())
            j.member("sistema_coordenadas", toUtf8(run.coordinateSystem));
    });
}

// The data and results of the run, as members of its entry.
void results(JsonText& j, const FileRun& run) {
    const ObservationSet& observations = run.values.observations;
    j.member("definicoes", [&] { settings(j, run); });
    j.member("ponto", nameOf(j, observations.sightedPointName));
    j.member("estacoes", [&] { stations(j, observations); });
    if (run.values.orientation)
        j.member("orientacao", [&] { orientation(j, observations, *run.values.orientation); });
    if (run.values.planimetry)
        j.member("planimetria", [&] { planimetry(j, observations, *run.values.planimetry); });
    if (run.values.heightRequested)
        j.member("leituras_zenitais", [&] { zenithRecords(j, observations); });
    if (run.values.height)
        j.member("altimetria", [&] { height(j, observations, *run.values.height); });
    if (run.analysis) j.member("analise", [&] { analysis(j, observations, *run.analysis); });
}

} // namespace

void writeFileRunJson(JsonText& j, const FileRun& run) {
    j.object([&] {
        j.member("ficheiro", toUtf8(run.input));
        j.member("relatorio", toUtf8(run.report));
        j.member("estado", stateCode(run.outcome));
        if (run.message.empty())
            j.member("mensagem", nullptr);
        else
            j.member("mensagem", toUtf8(run.message));
        // Said only when true: the report stops where the error came.
        if (run.reportCut) j.member("relatorio_incompleto", true);
        if (!run.dataRead) return;
        reading(j, run);
        results(j, run);
    });
}

void writeJsonStart(std::ostream& out) {
    JsonText j(out, 1);
    out << "{\n  \"versao\": ";
    j.value(jsonFormatVersion);
    j.flush();
    out << ",\n  \"programa\": ";
    j.value(std::string("interseccao ") + INTERSECCAO_VERSION);
    j.flush();
    out << ",\n  \"ficheiros\": [";
}

void writeJsonRun(const FileRun& run, bool first, std::ostream& out) {
    out << (first ? "\n    " : ",\n    ");
    JsonText j(out, 2);
    writeFileRunJson(j, run);
    j.flush();
}

void writeJsonEnd(bool empty, std::ostream& out) { out << (empty ? "]\n}\n" : "\n  ]\n}\n"); }

void writeJsonDocument(const std::vector<FileRun>& runs, std::ostream& out) {
    writeJsonStart(out);
    for (std::size_t i = 0; i < runs.size(); ++i) writeJsonRun(runs[i], i == 0, out);
    writeJsonEnd(runs.empty(), out);
}

} // namespace interseccao
