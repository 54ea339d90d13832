#!/usr/bin/python3
"""Writes sim/CatalogueData.cpp, the simulated telescope's object library.

Run from the repository root when the inputs or the rules below change:

    /usr/bin/python3 sim/tools/make_catalogue.py ../shared/data > sim/CatalogueData.cpp

Inputs
- ngc-ic-openngc.csv of the project's shared data: NGC and IC objects with Messier and UGC
  cross references, J2000 positions, the telescope's type codes, V magnitudes and major axes.
  Derived from the OpenNGC catalogue by Mattia Verga (release v20210306), licensed
  CC-BY-SA-4.0; the generated file keeps that licence and this attribution.
- lx200-star-library.csv of the shared data: the telescope's own STAR numbers (Polaris 19) and
  the planets' numbers 901-909. Its positions are used where it has them.
- The bright-star list of the python3-ephem package (Hipparcos J2000 positions and V
  magnitudes) for the other stars' positions, and for further named stars.

What is chosen
- Every Messier object (all 110 are in the CSV), under M, NGC, IC and UGC as cross-referenced.
- Every NGC object with a type, magnitude and size and V <= 10.0, every such IC object with
  V <= 11.0 (a few hundred in all).
- UGC numbers for the brightest galaxies among those (UGC_COUNT of them).
- A few NGC objects that the CSV holds without any data (COORDINATES_ONLY_COUNT, the lowest
  numbers): the telescope describes them as "Coordinates Only".
- The stars with real STAR numbers, and the other named stars of the ephem list (V <= 3.5) under
  placeholder numbers that keep the order of right ascension between the real numbers and never
  collide with them (numbers past the last real star run on from 250 and stop at 351).
- SAO numbers of a few well-known stars, and placeholder GCVS numbers (1, 2, ... in order of
  right ascension) for the variable stars among them.

Quality codes (the telescope's SU EX VG GD FR PR VP; not in OpenNGC) come from the visual
magnitude V and the mean surface brightness S = V + 2.5 log10(pi/4 D^2), D the major axis in
arc-minutes (S in magnitudes per square arc-minute). Faint surface brightness makes an object
harder to see than its magnitude says: the rule ranks by the effective magnitude
    E = V + 0.4 * max(0, S - 13)
and grades E <= 6.0 SU, <= 8.0 EX, <= 10.0 VG, <= 11.0 GD, <= 12.0 FR, <= 13.0 PR, else VP.
Objects without a size get no surface-brightness term.

Hand corrections: M14 has no size in the CSV: 11.7' (its usual listed diameter). Bogardus,
an alignment star of the telescope that no star atlas names, is placed at beta Aurigae
(Menkalinan), the bright star between Betelgeuse (56) and Canopus (63) in right ascension.
"""

import csv
import math
import os
import sys

QUALITY_STEPS = [(6.0, "SU"), (8.0, "EX"), (10.0, "VG"), (11.0, "GD"), (12.0, "FR"), (13.0, "PR")]
NGC_MAG_LIMIT = 10.0
IC_MAG_LIMIT = 11.0
UGC_COUNT = 12
COORDINATES_ONLY_COUNT = 8
EXTRA_STAR_MAG_LIMIT = 3.5
LAST_STAR_NUMBER = 351
SIZE_CORRECTIONS = {14: 11.7}  # Messier number -> major axis, arc-minutes

# The telescope's star names (lx200-star-library.csv) that the ephem list spells differently.
STAR_NAME_MAP = {
    "Betelguese": "Betelgeuse",
    "Bogardus": "Menkalinan",
    "Castor A": "Castor",
    "Acrux A": "Acrux",
    "Alpha Centauri": "Rigil Kentaurus",
    "Alphekka": "Alphecca",
    "Albireo": "Albereo",
}
# Double or multiple stars among them get the telescope's "MLTS" type.
MULTIPLE_STARS = {"Castor", "Acrux", "Rigil Kentaurus", "Albereo", "Mizar", "Almach"}
# Smithsonian (SAO) numbers of some bright stars.
SAO_NUMBERS = {
    "Polaris": 308, "Vega": 67174, "Sirius": 151881, "Arcturus": 100944,
    "Betelgeuse": 113271, "Rigel": 131907, "Aldebaran": 94027, "Capella": 40186,
    "Deneb": 49941, "Altair": 125122, "Spica": 157923, "Antares": 184415,
    "Regulus": 98967, "Procyon": 115756, "Pollux": 79666, "Fomalhaut": 191524,
    "Albereo": 87301, "Mira": 129825,
}
VARIABLE_STARS = {"Mira", "Polaris", "Algol", "Betelgeuse", "Antares", "Rasalgethi", "Sheliak"}
# ephem's list carries some stars twice under other names.
EPHEM_ALIASES = {"Adara", "Alcaid", "Agena", "Etamin", "Formalhaut", "Gienah Corvi", "Sirrah"}


def number(text):
    return int(text) if text.strip() else 0


def real(text):
    return float(text) if text.strip() else None


def quality(vmag, size_arcmin):
    if vmag is None:
        return ""
    effective = vmag
    if size_arcmin:
        surface = vmag + 2.5 * math.log10(math.pi / 4 * size_arcmin**2)
        effective += 0.4 * max(0.0, surface - 13.0)
    for limit, code in QUALITY_STEPS:
        if effective <= limit:
            return code
    return "VP"


def ephem_stars():
    import ephem.stars  # python3-ephem

    stars = {}
    for line in ephem.stars.db.strip().splitlines():
        fields = line.split(",")
        name = fields[0]
        if name in EPHEM_ALIASES:
            continue
        ra_hours = float(fields[2].split("|")[0])
        dec_degrees = float(fields[3].split("|")[0])
        stars[name] = (ra_hours, dec_degrees, float(fields[4]))
    return stars


def deep_sky(data_dir):
    with open(os.path.join(data_dir, "ngc-ic-openngc.csv"), newline="") as f:
        rows = list(csv.DictReader(f))
    chosen, seen_ngc, seen_ic = [], set(), set()
    for r in rows:
        messier, ngc, ic = number(r["messier"]), number(r["ngc"]), number(r["ic"])
        vmag, size = real(r["vmag"]), real(r["major_axis_arcmin"])
        if messier in SIZE_CORRECTIONS:
            size = SIZE_CORRECTIONS[messier]
        has_data = bool(r["lx_type"]) and vmag is not None and size is not None
        bright = has_data and (
            (ngc and vmag <= NGC_MAG_LIMIT) or (ic and vmag <= IC_MAG_LIMIT))
        if not messier and not bright:
            continue
        if (ngc and ngc in seen_ngc) or (ic and ic in seen_ic):
            continue  # a second row under the same number (components): keep the first
        seen_ngc.add(ngc)
        seen_ic.add(ic)
        chosen.append({
            "messier": messier, "ngc": ngc, "ic": ic, "ugc": number(r["ugc"]),
            "ra": float(r["ra_j2000_deg"]) / 15.0, "dec": float(r["dec_j2000_deg"]),
            "type": r["lx_type"], "quality": quality(vmag, size), "vmag": vmag,
            "size": size, "label": r["common_name"].split(";")[0],
        })
    # UGC numbers only for the brightest galaxies.
    galaxies = sorted((o for o in chosen if o["ugc"] and o["type"] == "GAL"),
                      key=lambda o: o["vmag"])
    keep = {id(o) for o in galaxies[:UGC_COUNT]}
    for o in chosen:
        if id(o) not in keep:
            o["ugc"] = 0
    # Objects the library holds by position only.
    bare = [r for r in rows if number(r["ngc"]) and not r["lx_type"] and not r["vmag"]
            and not r["messier"] and number(r["ngc"]) not in seen_ngc]
    for r in sorted(bare, key=lambda r: number(r["ngc"]))[:COORDINATES_ONLY_COUNT]:
        seen_ngc.add(number(r["ngc"]))
        chosen.append({
            "messier": 0, "ngc": number(r["ngc"]), "ic": 0, "ugc": 0,
            "ra": float(r["ra_j2000_deg"]) / 15.0, "dec": float(r["dec_j2000_deg"]),
            "type": "", "quality": "", "vmag": None, "size": None, "label": "",
        })
    chosen.sort(key=lambda o: (o["messier"] or 999, o["ngc"] or 99999, o["ic"]))
    return chosen


def stars(data_dir):
    known = ephem_stars()
    with open(os.path.join(data_dir, "lx200-star-library.csv"), newline="") as f:
        library = [r for r in csv.DictReader(f) if int(r["number"]) < 900]
    real_stars, used_names = [], set()
    for r in library:
        name = STAR_NAME_MAP.get(r["name"], r["name"])
        if r["ra_j2000_h"]:
            ra, dec = float(r["ra_j2000_h"]), float(r["dec_j2000_deg"])
            vmag = known[name][2] if name in known else 3.0  # Mira: a mean brightness
        else:
            ra, dec, vmag = known[name]
        used_names.add(name)
        real_stars.append({"star": int(r["number"]), "name": r["name"], "ra": ra, "dec": dec,
                           "vmag": vmag, "key": name})

    # Placeholder numbers: between two real stars adjacent in number (Polaris aside, whose
    # number does not follow its right ascension) the free numbers go to the extra stars whose
    # right ascension lies between theirs, brightest first, then in order of right ascension.
    anchors = sorted((s for s in real_stars if s["key"] != "Polaris"), key=lambda s: s["star"])
    taken = {s["star"] for s in real_stars}
    extras = [(n, ra, dec, m) for n, (ra, dec, m) in known.items()
              if n not in used_names and m <= EXTRA_STAR_MAG_LIMIT]
    bounds = [(0, 0.0)] + [(s["star"], s["ra"]) for s in anchors] + [
        (LAST_STAR_NUMBER + 1, 24.0)]
    placed = []
    for (low_n, low_ra), (high_n, high_ra) in zip(bounds, bounds[1:]):
        free = [n for n in range(low_n + 1, high_n) if n not in taken]
        inside = [e for e in extras if low_ra <= e[1] < high_ra]
        inside = sorted(sorted(inside, key=lambda e: e[3])[:len(free)], key=lambda e: e[1])
        for n, e in zip(free, inside):
            placed.append({"star": n, "name": e[0], "ra": e[1], "dec": e[2], "vmag": e[3],
                           "key": e[0]})
    result = sorted(real_stars + placed, key=lambda s: s["star"])
    variables = sorted((s for s in result if s["key"] in VARIABLE_STARS), key=lambda s: s["ra"])
    for i, s in enumerate(variables):
        s["gcvs"] = i + 1
    for s in result:
        s["sao"] = SAO_NUMBERS.get(s["key"], 0)
        s.setdefault("gcvs", 0)
        s["type"] = "MLTS" if s["key"] in MULTIPLE_STARS else "STAR"
    return result


def c_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def value(x, fmt):
    return "kNoValue" if x is None else fmt.format(x)


def main():
    data_dir = sys.argv[1] if len(sys.argv) > 1 else "../shared/data"
    objects = deep_sky(data_dir)
    star_rows = stars(data_dir)
    out = sys.stdout
    out.write(
        "// The simulated telescope's object library. GENERATED by sim/tools/make_catalogue.py:\n"
        "// edit the script, not this file.\n"
        "//\n"
        "// Deep-sky positions, types, magnitudes and sizes are derived from the OpenNGC catalogue\n"
        "// by Mattia Verga (release v20210306), licensed CC-BY-SA-4.0; this file is distributed\n"
        "// under the same licence. Quality codes follow the rule documented in the script.\n"
        "// STAR numbers of the alignment stars are the telescope's own; the other stars' numbers,\n"
        "// and all GCVS numbers, are placeholders. Star positions: Hipparcos J2000.\n"
        "// clang-format off\n"
        '#include "sim/CatalogueData.h"\n\n'
        "namespace teleon::sim::data {\n\n")
    out.write("const DeepSkyRow kDeepSky[] = {\n"
              "    // M, NGC, IC, UGC, RA h, Dec deg, type, quality, V mag, size arcmin\n")
    for o in objects:
        out.write("    {{{}, {}, {}, {}, {:.8f}, {:.6f}, {}, {}, {}, {}}},{}\n".format(
            o["messier"], o["ngc"], o["ic"], o["ugc"], o["ra"], o["dec"], c_string(o["type"]),
            c_string(o["quality"]), value(o["vmag"], "{:.2f}"), value(o["size"], "{:.2f}"),
            "  // " + o["label"] if o["label"] else ""))
    out.write("};\nconst std::size_t kDeepSkyCount = sizeof(kDeepSky) / sizeof(kDeepSky[0]);\n\n")
    out.write("const StarRow kStars[] = {\n"
              "    // STAR, SAO, GCVS, RA h, Dec deg, V mag, type, name\n")
    for s in star_rows:
        out.write("    {{{}, {}, {}, {:.8f}, {:.6f}, {:.2f}, {}, {}}},\n".format(
            s["star"], s["sao"], s["gcvs"], s["ra"], s["dec"], s["vmag"], c_string(s["type"]),
            c_string(s["name"])))
    out.write("};\nconst std::size_t kStarCount = sizeof(kStars) / sizeof(kStars[0]);\n\n"
              "} // namespace teleon::sim::data\n")


if __name__ == "__main__":
    main()
