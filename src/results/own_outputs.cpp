// Each output's first bytes, as its writer makes them.
#include "results/own_outputs.hpp"

namespace interseccao {

namespace {

bool beginsWithin(std::string_view contents, std::string_view start, std::string_view within,
                  std::size_t reach) {
    return contents.starts_with(start) &&
           contents.substr(0, reach).find(within) != std::string_view::npos;
}

// A report's first line, 72 stars, and the start of its second.
constexpr std::string_view reportStart =
    "************************************************************************"
    "\r\nCalculo por interseccao inversa";
static_assert(reportStart.find_first_not_of('*') == 72);

} // namespace

std::optional<std::string_view> ownOutputKind(std::string_view contents) {
    if (contents.starts_with(reportStart)) return "um relatorio";
    if (contents.starts_with("AN\xC3\x81LISE DA QUALIDADE")) return "uma analise da qualidade";
    if (contents.starts_with("ficheiro,ponto,M,P,") || contents.starts_with("\xEF\xBB\xBF"
                                                                            "ficheiro;ponto;M;P;"))
        return "uma lista de coordenadas";
    if (beginsWithin(contents, "{", "\"programa\": \"interseccao ", 100)) return "um JSON";
    if (beginsWithin(contents, "{", "\"name\": \"interseccao\"", 100)) return "um GeoJSON";
    if (beginsWithin(contents, "<?xml", "<title>Intersec", 400)) return "um desenho SVG";
    if (beginsWithin(contents, "<?xml", ">Sessao: ", 400)) return "um desenho SVG de uma sessao";
    if (contents.starts_with("ponto,estado,M,P,C,")) return "uma lista de pontos de uma sessao";
    if (contents.starts_with("999\r\ninterseccao ")) return "um desenho DXF";
    return std::nullopt;
}

bool writtenByThisProgram(std::string_view head) {
    if (ownOutputKind(head)) return true;
    std::string_view first = head.substr(0, head.find('\n'));
    if (first.ends_with('\r')) first.remove_suffix(1);
    return first.find("  registo de ") != std::string_view::npos && first.ends_with(sessionMark);
}

} // namespace interseccao
