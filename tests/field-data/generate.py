#!/usr/bin/env python3
"""Writes the synthetic field sessions of the tests and the example: a job of known points
and new points chosen here, true readings computed from the coordinates, small noise added.

    generate.py FOLDER [--units gon|deg|dms|mil] [--gsi8] [--setup coords|code|height]
                [--table] [--rounds N] [--noise SIGMA_OF_THE_UNIT] [--seed S]
"""
import argparse, math, os, random

STATIONS = [("S1", 1000.000, 2000.000, 101.250, 1.552), ("S2", 1900.000, 2100.000, 98.730, 1.498),
            ("S3", 1850.000, 1200.000, 104.410, 1.605), ("S4", 950.000, 1150.000, 99.875, 1.530)]
REFERENCES = [("R1", -1500.0, 4800.0, None), ("R2", 4200.0, 4300.0, None), ("R3", 4100.0, -1600.0, None)]
NEW = [("N%02d" % (i + 1), 1150 + 110 * i + 37 * (i % 3), 1350 + 90 * ((5 * i) % 8), 102.0 + 1.3 * (i % 4))
       for i in range(8)]
CIRCLE = {"gon": 400.0, "deg": 360.0, "dms": 360.0, "mil": 6400.0}
UNIT_DIGIT = {"gon": "2", "deg": "3", "dms": "4", "mil": "5"}


def bearing(dm, dp):
    b = math.atan2(dm, dp)
    return b + 2 * math.pi if b < 0 else b


def angle_data(value, units):
    """The integer of a GSI angle word for a value in the unit's circle."""
    if units == "gon" or units == "deg":
        return round(value * 1e5)
    if units == "mil":
        return round(value * 1e4)
    total = round(value * 36000)  # tenths of a second
    d, rest = divmod(total, 36000)
    m, s = divmod(rest, 600)
    return d * 100000 + m * 1000 + s


def word(wi, info, value, wide, sign=None):
    width = 16 if wide else 8
    text = str(value) if isinstance(value, str) else str(abs(value))
    sign = sign or ("-" if not isinstance(value, str) and value < 0 else "+")
    return "%s%s%s%s" % (wi, info, sign, text.rjust(width, "0")[-width:])


def readings(station, target, orientation, units, rng, noise, face, zenith_to_references):
    name, m, p, h, hi = station
    tn, tm, tp, th = target
    circle = CIRCLE[units]
    hz = (bearing(tm - m, tp - p) - orientation) / (2 * math.pi) * circle
    hz += rng.gauss(0, noise)
    z = None
    if th is None and zenith_to_references:
        z = 100.0 / 400 * circle + rng.gauss(0, noise)
    elif th is not None:
        d = math.hypot(tm - m, tp - p)
        z = math.atan2(d, (th + 1.3) - (h + hi)) / (2 * math.pi) * circle + rng.gauss(0, noise)
    if face == 2:
        hz += circle / 2
        z = circle - z if z is not None else None
    return hz % circle, z


def sessions(args, rng):
    """Every sighting of the job: (station, orientation, [(target, hz, z, face)])."""
    setups = []
    for index, station in enumerate(STATIONS):
        orientation = rng.uniform(0, 2 * math.pi)
        if index == 0 and args.across_zero:
            # The circle set so that the reading to R1 falls just below zero.
            orientation = bearing(REFERENCES[0][1] - station[1], REFERENCES[0][2] - station[2]) + 1e-7
        sightings = []
        targets = REFERENCES + [n for i, n in enumerate(NEW) if (i + index) % 4 != 3 or i == 0]
        for _ in range(args.rounds):
            for face in (1, 2):
                for target in (targets if face == 1 else list(reversed(targets))):
                    hz, z = readings(station, target, orientation, args.units, rng, args.noise, face,
                                     not args.no_reference_zenith)
                    sightings.append((target, hz, z))
        setups.append((station, sightings))
    return setups


def gsi_lines(args, setups):
    wide = not args.gsi8
    star = "*" if wide else ""
    lines, block = [], 1
    unit = UNIT_DIGIT[args.units]
    for station, sightings in setups:
        name, m, p, h, hi = station
        if args.setup == "coords":
            words = [word("11", "%04d" % block, name, wide), word("84", "..10", round(m * 1000), wide),
                     word("85", "..10", round(p * 1000), wide), word("86", "..10", round(h * 1000), wide),
                     word("88", "..10", round(hi * 1000), wide)]
        elif args.setup == "code":
            words = [word("41", "%04d" % block, "2", wide), word("42", "....", name, wide),
                     word("43", "...0", round(hi * 1000), wide)]
        else:
            words = [word("11", "%04d" % block, name, wide), word("88", "..16", round(hi * 10000), wide)]
        lines.append(star + " ".join(words) + " ")
        block += 1
        for target, hz, z in sightings:
            words = [word("11", "%04d" % block, target[0], wide),
                     word("21", ".32" + unit, angle_data(hz, args.units), wide)]
            if z is not None:
                words.append(word("22", ".32" + unit, angle_data(z, args.units), wide))
            words.append(word("31", "..00", 1234567, wide))
            words.append("51..1." + ("+00000008+0000000" if wide else "+0008+000"))
            if target[3] is not None:
                words.append(word("87", "..10", 1300, wide))
            else:
                words.append("87..10+" + ("00000000000-----" if wide else "000-----"))
            lines.append(star + " ".join(words) + " ")
            block += 1
        lines.append("")
    return lines


def table_lines(args, setups):
    lines = ["estacao,altura_instrumento,alvo,horizontal,zenital,altura_alvo"]
    for station, sightings in setups:
        for target, hz, z in sightings:
            def text(v):
                if v is None:
                    return ""
                if args.units == "dms":
                    total = round(v * 36000)
                    d, rest = divmod(total, 36000)
                    mnt, s = divmod(rest, 600)
                    return "%d.%02d%03d" % (d, mnt, s)
                return "%.5f" % v
            lines.append("%s,%.3f,%s,%s,%s,%s" % (station[0], station[4], target[0], text(hz), text(z),
                                                  "1.300" if target[3] is not None else ""))
    return lines


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--units", default="gon", choices=CIRCLE)
    parser.add_argument("--gsi8", action="store_true")
    parser.add_argument("--setup", default="coords", choices=["coords", "code", "height"])
    parser.add_argument("--table", action="store_true")
    parser.add_argument("--rounds", type=int, default=1)
    parser.add_argument("--noise", type=float, default=0.0003)
    parser.add_argument("--seed", type=int, default=21)
    parser.add_argument("--across-zero", action="store_true")
    parser.add_argument("--no-reference-zenith", action="store_true")
    parser.add_argument("--record", default="registo.gsi")
    args = parser.parse_args()
    rng = random.Random(args.seed)
    setups = sessions(args, rng)
    os.makedirs(args.folder, exist_ok=True)
    with open(os.path.join(args.folder, "pontos.csv"), "w", newline="\r\n") as out:
        out.write("nome;M;P;C\n")
        for name, m, p, h, _ in STATIONS:
            out.write(("%s;%.3f;%.3f;%.3f\n" % (name, m, p, h)).replace(".", ","))
        for name, m, p, _ in REFERENCES:
            out.write(("%s;%.3f;%.3f;\n" % (name, m, p)).replace(".", ","))
    with open(os.path.join(args.folder, "verdade.csv"), "w") as out:
        for name, m, p, h in NEW:
            out.write("%s,%.3f,%.3f,%.3f\n" % (name, m, p, h))
    lines = table_lines(args, setups) if args.table else gsi_lines(args, setups)
    with open(os.path.join(args.folder, args.record), "w", newline="\r\n") as out:
        out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
