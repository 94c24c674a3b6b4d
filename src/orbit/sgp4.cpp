// SGP4 near-Earth model: initialisation, propagation, and TEME to true of date.
//
// Reference: Hoots and Roehrich, Spacetrack Report No. 3 (1980), section SGP4, with the
// corrections of Vallado, Crawford, Hujsak and Kelso, AIAA 2006-6753 (2006). Symbols are
// those of the latter. Units inside: Earth radii, minutes, radians.
#include "orbit/sgp4.hpp"

#include <cassert>
#include <cmath>

#include "orbit/tle.hpp"

namespace kv::orbit {
namespace {

constexpr double twopi = 2.0 * 3.14159265358979323846;  // full turn of the model (not tpi)
constexpr double x2o3 = 2.0 / 3.0;
// sqrt(mu / re^3) in 1/min: the "ke" of the model, (Earth radii)^1.5 per minute.
const double xke = 60.0 / std::sqrt(wgs72::re * wgs72::re * wgs72::re / wgs72::mu);
constexpr double j3oj2 = wgs72::j3 / wgs72::j2;
const double vkmpersec = wgs72::re * xke / 60.0;  // Earth radii per minute to km/s

// Recovered (Brouwer) mean motion and semi-major axis from the Kozai mean motion.
struct Recovered {
  double no;  // rad/min
  double ao;  // Earth radii
};
Recovered recover(double no_kozai, double ecco, double inclo) {
  const double omeosq = 1.0 - ecco * ecco;
  const double rteosq = std::sqrt(omeosq);
  const double cosio = std::cos(inclo);
  const double cosio2 = cosio * cosio;
  const double ak = std::pow(xke / no_kozai, x2o3);
  const double d1 = 0.75 * wgs72::j2 * (3.0 * cosio2 - 1.0) / (rteosq * omeosq);
  double del = d1 / (ak * ak);
  const double adel = ak * (1.0 - del * del - del * (1.0 / 3.0 + 134.0 * del * del / 81.0));
  del = d1 / (adel * adel);
  const double no = no_kozai / (1.0 + del);
  return {no, std::pow(xke / no, x2o3)};
}

// Secular rates of mean anomaly, perigee and node (J2 to second order, J4), rad/min.
void secular_rates(Sgp4& m, double pinvsq, double rteosq) {
  const double cosio2 = m.cosio * m.cosio;
  const double cosio4 = cosio2 * cosio2;
  const double con42 = 1.0 - 5.0 * cosio2;
  const double temp1 = 1.5 * wgs72::j2 * pinvsq * m.no;
  const double temp2 = 0.5 * temp1 * wgs72::j2 * pinvsq;
  const double temp3 = -0.46875 * wgs72::j4 * pinvsq * pinvsq * m.no;
  m.mdot = m.no + 0.5 * temp1 * rteosq * m.con41 +
           0.0625 * temp2 * rteosq * (13.0 - 78.0 * cosio2 + 137.0 * cosio4);
  m.argpdot = -0.5 * temp1 * con42 + 0.0625 * temp2 * (7.0 - 114.0 * cosio2 + 395.0 * cosio4) +
              temp3 * (3.0 - 36.0 * cosio2 + 49.0 * cosio4);
  const double xhdot1 = -temp1 * m.cosio;
  m.nodedot =
      xhdot1 + (0.5 * temp2 * (4.0 - 19.0 * cosio2) + 2.0 * temp3 * (3.0 - 7.0 * cosio2)) * m.cosio;
  m.nodecf = 3.5 * (1.0 - m.el.ecco * m.el.ecco) * xhdot1 * m.cc1;
}

// Atmospheric density parameters s and (q0 - s)^4 for the perigee height (km): the
// standard values above 156 km, lowered below it (Spacetrack Report No. 3, SGP4 section).
void density_params(double perige, double& sfour, double& qzms24) {
  double s_km = 78.0;
  if (perige < 156.0) {
    s_km = perige - 78.0;
    if (perige < 98.0) s_km = 20.0;
  }
  const double q = (120.0 - s_km) / wgs72::re;
  qzms24 = q * q * q * q;
  sfour = s_km / wgs72::re + 1.0;
}

}  // namespace

double sgp4_period_min(double no_kozai, double ecco, double inclo) {
  return twopi / recover(no_kozai, ecco, inclo).no;
}

Sgp4 sgp4_init(const Sgp4Elements& el) {
  Sgp4 m;
  m.el = el;
  const double ecco = el.ecco;
  const Recovered rec = recover(el.no_kozai, ecco, el.inclo);
  m.no = rec.no;
  m.ao = rec.ao;
  assert(twopi / m.no < 225.0 && "deep-space sets are refused by the TLE parser");
  const double ao = m.ao;
  const double omeosq = 1.0 - ecco * ecco;
  const double rteosq = std::sqrt(omeosq);
  m.cosio = std::cos(el.inclo);
  m.sinio = std::sin(el.inclo);
  const double cosio2 = m.cosio * m.cosio;
  m.con41 = 3.0 * cosio2 - 1.0;
  m.x1mth2 = 1.0 - cosio2;
  m.x7thm1 = 7.0 * cosio2 - 1.0;
  const double po = ao * omeosq;
  const double pinvsq = 1.0 / (po * po);
  const double rp = ao * (1.0 - ecco);
  m.isimp = rp < 220.0 / wgs72::re + 1.0;
  double sfour = 0, qzms24 = 0;
  density_params((rp - 1.0) * wgs72::re, sfour, qzms24);

  const double tsi = 1.0 / (ao - sfour);
  m.eta = ao * ecco * tsi;
  const double etasq = m.eta * m.eta;
  const double eeta = ecco * m.eta;
  const double psisq = std::fabs(1.0 - etasq);
  const double coef = qzms24 * std::pow(tsi, 4.0);
  const double coef1 = coef / std::pow(psisq, 3.5);
  const double cc2 =
      coef1 * m.no *
      (ao * (1.0 + 1.5 * etasq + eeta * (4.0 + etasq)) +
       0.375 * wgs72::j2 * tsi / psisq * m.con41 * (8.0 + 3.0 * etasq * (8.0 + etasq)));
  m.cc1 = el.bstar * cc2;
  const double cc3 = ecco > 1.0e-4 ? -2.0 * coef * tsi * j3oj2 * m.no * m.sinio / ecco : 0.0;
  m.cc4 = 2.0 * m.no * coef1 * ao * omeosq *
          (m.eta * (2.0 + 0.5 * etasq) + ecco * (0.5 + 2.0 * etasq) -
           wgs72::j2 * tsi / (ao * psisq) *
               (-3.0 * m.con41 * (1.0 - 2.0 * eeta + etasq * (1.5 - 0.5 * eeta)) +
                0.75 * m.x1mth2 * (2.0 * etasq - eeta * (1.0 + etasq)) * std::cos(2.0 * el.argpo)));
  m.cc5 = 2.0 * coef1 * ao * omeosq * (1.0 + 2.75 * (etasq + eeta) + eeta * etasq);
  secular_rates(m, pinvsq, rteosq);
  m.omgcof = el.bstar * cc3 * std::cos(el.argpo);
  m.xmcof = ecco > 1.0e-4 ? -x2o3 * coef * el.bstar / eeta : 0.0;
  m.t2cof = 1.5 * m.cc1;
  // note: the guard keeps 1 + cos i away from zero for inclinations of 180 degrees.
  const double opc = std::fabs(m.cosio + 1.0) > 1.5e-12 ? 1.0 + m.cosio : 1.5e-12;
  m.xlcof = -0.25 * j3oj2 * m.sinio * (3.0 + 5.0 * m.cosio) / opc;
  m.aycof = -0.5 * j3oj2 * m.sinio;
  m.delmo = std::pow(1.0 + m.eta * std::cos(el.mo), 3.0);
  m.sinmao = std::sin(el.mo);

  if (!m.isimp) {
    const double cc1sq = m.cc1 * m.cc1;
    m.d2 = 4.0 * ao * tsi * cc1sq;
    const double temp = m.d2 * tsi * m.cc1 / 3.0;
    m.d3 = (17.0 * ao + sfour) * temp;
    m.d4 = 0.5 * temp * ao * tsi * (221.0 * ao + 31.0 * sfour) * m.cc1;
    m.t3cof = m.d2 + 2.0 * cc1sq;
    m.t4cof = 0.25 * (3.0 * m.d3 + m.cc1 * (12.0 * m.d2 + 10.0 * cc1sq));
    m.t5cof = 0.2 * (3.0 * m.d4 + 12.0 * m.cc1 * m.d3 + 6.0 * m.d2 * m.d2 +
                     15.0 * cc1sq * (2.0 * m.d2 + cc1sq));
  }
  int error = sgp4_ok;
  sgp4_state(m, 0.0, error);
  m.error = error;
  return m;
}

Sgp4Elements sgp4_elements(const Tle& tle) {
  constexpr double deg = 3.14159265358979323846 / 180.0;  // not cnr, which derives from tpi
  return {tle.mean_motion_rev_day * twopi / 1440.0,
          tle.ecc,
          tle.incl_deg * deg,
          tle.node_deg * deg,
          tle.argp_deg * deg,
          tle.mean_anomaly_deg * deg,
          tle.bstar};
}

Sgp4 sgp4_init(const Tle& tle) { return sgp4_init(sgp4_elements(tle)); }

namespace {

// Mean elements at tsince after the secular, drag and long-period terms.
struct Mean {
  double am, em, inclm, nodem, argpm, mm, nm;
};

// Secular gravity and drag terms; error 1 or 2 as defined by the model.
Mean secular(const Sgp4& m, double t, int& error) {
  const double xmdf = m.el.mo + m.mdot * t;
  const double argpdf = m.el.argpo + m.argpdot * t;
  const double nodedf = m.el.nodeo + m.nodedot * t;
  double argpm = argpdf;
  double mm = xmdf;
  const double t2 = t * t;
  double nodem = nodedf + m.nodecf * t2;
  double tempa = 1.0 - m.cc1 * t;
  double tempe = m.el.bstar * m.cc4 * t;
  double templ = m.t2cof * t2;
  if (!m.isimp) {
    const double delomg = m.omgcof * t;
    const double delm = m.xmcof * (std::pow(1.0 + m.eta * std::cos(xmdf), 3.0) - m.delmo);
    const double temp = delomg + delm;
    mm = xmdf + temp;
    argpm = argpdf - temp;
    const double t3 = t2 * t;
    const double t4 = t3 * t;
    tempa = tempa - m.d2 * t2 - m.d3 * t3 - m.d4 * t4;
    tempe = tempe + m.el.bstar * m.cc5 * (std::sin(mm) - m.sinmao);
    templ = templ + m.t3cof * t3 + t4 * (m.t4cof + t * m.t5cof);
  }
  Mean r{0, m.el.ecco, m.el.inclo, 0, 0, 0, m.no};
  if (r.nm <= 0.0) {
    error = sgp4_bad_mean_motion;
    return r;
  }
  r.am = std::pow(xke / r.nm, x2o3) * tempa * tempa;
  r.nm = xke / std::pow(r.am, 1.5);
  r.em = r.em - tempe;
  if (r.em >= 1.0 || r.em < -0.001) {
    error = sgp4_bad_mean_ecc;
    return r;
  }
  if (r.em < 1.0e-6) r.em = 1.0e-6;  // note: avoids a division by zero (2006 revision)
  mm = mm + m.no * templ;
  double xlm = mm + argpm + nodem;
  r.nodem = std::fmod(nodem, twopi);
  r.argpm = std::fmod(argpm, twopi);
  xlm = std::fmod(xlm, twopi);
  r.mm = std::fmod(xlm - r.argpm - r.nodem, twopi);
  return r;
}

}  // namespace

State sgp4_state(const Sgp4& m, double tsince, int& error) {
  error = sgp4_ok;
  const Mean mn = secular(m, tsince, error);
  if (error != sgp4_ok) return State{};
  const double am = mn.am;
  // Long-period periodics (J3).
  const double axnl = mn.em * std::cos(mn.argpm);
  double temp = 1.0 / (am * (1.0 - mn.em * mn.em));
  const double aynl = mn.em * std::sin(mn.argpm) + temp * m.aycof;
  const double xl = mn.mm + mn.argpm + mn.nodem + temp * m.xlcof * axnl;

  // Kepler's equation for the eccentric longitude, steps limited to 0.95 rad.
  const double u = std::fmod(xl - mn.nodem, twopi);
  double eo1 = u, tem5 = 9999.9, sineo1 = 0, coseo1 = 0;
  for (int ktr = 1; std::fabs(tem5) >= 1.0e-12 && ktr <= 10; ++ktr) {
    sineo1 = std::sin(eo1);
    coseo1 = std::cos(eo1);
    tem5 = 1.0 - coseo1 * axnl - sineo1 * aynl;
    tem5 = (u - aynl * coseo1 + axnl * sineo1 - eo1) / tem5;
    if (std::fabs(tem5) >= 0.95) tem5 = tem5 > 0.0 ? 0.95 : -0.95;
    eo1 = eo1 + tem5;
  }

  // Short-period periodics (J2).
  const double ecose = axnl * coseo1 + aynl * sineo1;
  const double esine = axnl * sineo1 - aynl * coseo1;
  const double el2 = axnl * axnl + aynl * aynl;
  const double pl = am * (1.0 - el2);
  if (pl < 0.0) {
    error = sgp4_bad_semi_latus;
    return State{};
  }
  const double rl = am * (1.0 - ecose);
  const double rdotl = std::sqrt(am) * esine / rl;
  const double rvdotl = std::sqrt(pl) / rl;
  const double betal = std::sqrt(1.0 - el2);
  temp = esine / (1.0 + betal);
  const double sinu = am / rl * (sineo1 - aynl - axnl * temp);
  const double cosu = am / rl * (coseo1 - axnl + aynl * temp);
  double su = std::atan2(sinu, cosu);
  const double sin2u = (cosu + cosu) * sinu;
  const double cos2u = 1.0 - 2.0 * sinu * sinu;
  temp = 1.0 / pl;
  const double temp1 = 0.5 * wgs72::j2 * temp;
  const double temp2 = temp1 * temp;
  const double mrt = rl * (1.0 - 1.5 * temp2 * betal * m.con41) + 0.5 * temp1 * m.x1mth2 * cos2u;
  su = su - 0.25 * temp2 * m.x7thm1 * sin2u;
  const double xnode = mn.nodem + 1.5 * temp2 * m.cosio * sin2u;
  const double xinc = mn.inclm + 1.5 * temp2 * m.cosio * m.sinio * cos2u;
  const double mvt = rdotl - mn.nm * temp1 * m.x1mth2 * sin2u / xke;
  const double rvdot = rvdotl + mn.nm * temp1 * (m.x1mth2 * cos2u + 1.5 * m.con41) / xke;

  // Orientation vectors and the state in km and km/s.
  const double sinsu = std::sin(su), cossu = std::cos(su);
  const double snod = std::sin(xnode), cnod = std::cos(xnode);
  const double sini = std::sin(xinc), cosi = std::cos(xinc);
  const double xmx = -snod * cosi;
  const double xmy = cnod * cosi;
  const Vec3 uv{xmx * sinsu + cnod * cossu, xmy * sinsu + snod * cossu, sini * sinsu};
  const Vec3 vv{xmx * cossu - cnod * sinsu, xmy * cossu - snod * sinsu, sini * cossu};
  State s{};
  for (int k = 0; k < 3; ++k) {
    s[k] = mrt * uv[k] * wgs72::re;
    s[k + 3] = (mvt * uv[k] + rvdot * vv[k]) * vkmpersec;
  }
  if (mrt < 1.0) error = sgp4_decayed;
  return s;
}

State teme_to_tod(const State& teme, double eqeq) {
  const double c = std::cos(eqeq), s = std::sin(eqeq);
  return {c * teme[0] - s * teme[1], s * teme[0] + c * teme[1], teme[2],
          c * teme[3] - s * teme[4], s * teme[3] + c * teme[4], teme[5]};
}

}  // namespace kv::orbit
