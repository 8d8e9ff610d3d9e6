// Internal to maths/: the constants and series coefficients of the maths functions, as hexadecimal
// literals (exact). Every value was worked out with MPFR at 2000 bits and rounded to nearest; the
// double-double pairs are the value rounded to double and the rest rounded to double.
#pragma once

#include "maths/double_double.h"

#include <cstdint>

namespace maths::detail {

// pi / 2 as a double-double.
inline constexpr DoubleDouble halfPi{0x1.921fb54442d18p+0, 0x1.1a62633145c07p-54};

// pi / 2 in parts of at most 33 significant bits (the last of 53): k times any part is exact for
// |k| < 2^20. Together about 218 bits.
inline constexpr double halfPiParts[] = {0x1.921fb544p+0,   0x1.0b4611a6p-34,  0x1.3198a2ep-69,
                                         0x1.b839a252p-104, 0x1.27044534p-142, -0x1.9c5fefa20ace2p-178};

// log 2 as a double-double, and in parts of at most 42 significant bits (the last of 53): k times the
// first two parts is exact for |k| < 2^11. Together about 137 bits.
inline constexpr DoubleDouble ln2{0x1.62e42fefa39efp-1, 0x1.abc9e3b39803fp-56};
inline constexpr double ln2Parts[] = {0x1.62e42fefa38p-1, 0x1.ef35793c768p-45, -0x1.9ff0342542fc3p-90};

// 1 / log 10 as a double-double.
inline constexpr DoubleDouble inverseLn10{0x1.bcb7b1526e50ep-2, 0x1.95355baaafad3p-57};

// The binary digits of 2 / pi, 32 to a word, most significant first: 2 / pi = sum w[i] 2^(-32 (i + 1)).
// Enough for the reduction of any finite double (1408 bits).
inline constexpr std::uint32_t twoOverPiWords[] = {
    0xa2f9836e, 0x4e441529, 0xfc2757d1, 0xf534ddc0, 0xdb629599, 0x3c439041, 0xfe5163ab, 0xdebbc561, 0xb7246e3a,
    0x424dd2e0, 0x06492eea, 0x09d1921c, 0xfe1deb1c, 0xb129a73e, 0xe88235f5, 0x2ebb4484, 0xe99c7026, 0xb45f7e41,
    0x3991d639, 0x835339f4, 0x9c845f8b, 0xbdf9283b, 0x1ff897ff, 0xde05980f, 0xef2f118b, 0x5a0a6d1f, 0x6d367ecf,
    0x27cb09b7, 0x4f463f66, 0x9e5fea2d, 0x7527bac7, 0xebe5f17b, 0x3d0739f7, 0x8a5292ea, 0x6bfb5fb1, 0x1f8d5d08,
    0x56033046, 0xfc7b6bab, 0xf0cfbc20, 0x9af4361d, 0xa9e39161, 0x5ee61b08, 0x6599855f, 0x14a06840};

// 1 / n!, n = 0..23: e^r = sum r^n / n!.
inline constexpr DoubleDouble exponentialSeries[] = {{0x1p+0, 0x0p+0},
                                                     {0x1p+0, 0x0p+0},
                                                     {0x1p-1, 0x0p+0},
                                                     {0x1.5555555555555p-3, 0x1.5555555555555p-57},
                                                     {0x1.5555555555555p-5, 0x1.5555555555555p-59},
                                                     {0x1.1111111111111p-7, 0x1.1111111111111p-63},
                                                     {0x1.6c16c16c16c17p-10, -0x1.f49f49f49f49fp-65},
                                                     {0x1.a01a01a01a01ap-13, 0x1.a01a01a01a01ap-73},
                                                     {0x1.a01a01a01a01ap-16, 0x1.a01a01a01a01ap-76},
                                                     {0x1.71de3a556c734p-19, -0x1.c154f8ddc6cp-73},
                                                     {0x1.27e4fb7789f5cp-22, 0x1.cbbc05b4fa99ap-76},
                                                     {0x1.ae64567f544e4p-26, -0x1.c062e06d1f209p-80},
                                                     {0x1.1eed8eff8d898p-29, -0x1.2aec959e14c06p-83},
                                                     {0x1.6124613a86d09p-33, 0x1.f28e0cc748ebep-87},
                                                     {0x1.93974a8c07c9dp-37, 0x1.05d6f8a2efd1fp-92},
                                                     {0x1.ae7f3e733b81fp-41, 0x1.1d8656b0ee8cbp-97},
                                                     {0x1.ae7f3e733b81fp-45, 0x1.1d8656b0ee8cbp-101},
                                                     {0x1.952c77030ad4ap-49, 0x1.ac981465ddc6cp-103},
                                                     {0x1.6827863b97d97p-53, 0x1.eec01221a8b0bp-107},
                                                     {0x1.2f49b46814157p-57, 0x1.2650f61dbdcb4p-112},
                                                     {0x1.e542ba4020225p-62, 0x1.ea72b4afe3c2fp-120},
                                                     {0x1.71b8ef6dcf572p-66, -0x1.d043ae40c4647p-120},
                                                     {0x1.0ce396db7f853p-70, -0x1.aebcdbd20331cp-124},
                                                     {0x1.761b41316381ap-75, -0x1.3423c7d91404fp-130}};

// (-1)^n / (2n+1)!, n = 0..13: sin r = r sum (-1)^n r^2n / (2n+1)!.
inline constexpr DoubleDouble sineSeries[] = {{0x1p+0, 0x0p+0},
                                              {-0x1.5555555555555p-3, -0x1.5555555555555p-57},
                                              {0x1.1111111111111p-7, 0x1.1111111111111p-63},
                                              {-0x1.a01a01a01a01ap-13, -0x1.a01a01a01a01ap-73},
                                              {0x1.71de3a556c734p-19, -0x1.c154f8ddc6cp-73},
                                              {-0x1.ae64567f544e4p-26, 0x1.c062e06d1f209p-80},
                                              {0x1.6124613a86d09p-33, 0x1.f28e0cc748ebep-87},
                                              {-0x1.ae7f3e733b81fp-41, -0x1.1d8656b0ee8cbp-97},
                                              {0x1.952c77030ad4ap-49, 0x1.ac981465ddc6cp-103},
                                              {-0x1.2f49b46814157p-57, -0x1.2650f61dbdcb4p-112},
                                              {0x1.71b8ef6dcf572p-66, -0x1.d043ae40c4647p-120},
                                              {-0x1.761b41316381ap-75, 0x1.3423c7d91404fp-130},
                                              {0x1.3f3ccdd165fa9p-84, -0x1.58ddadf344487p-139},
                                              {-0x1.d1ab1c2dccea3p-94, -0x1.054d0c78aea14p-149}};

// (-1)^n / (2n)!, n = 0..14: cos r = sum (-1)^n r^2n / (2n)!.
inline constexpr DoubleDouble cosineSeries[] = {{0x1p+0, 0x0p+0},
                                                {-0x1p-1, 0x0p+0},
                                                {0x1.5555555555555p-5, 0x1.5555555555555p-59},
                                                {-0x1.6c16c16c16c17p-10, 0x1.f49f49f49f49fp-65},
                                                {0x1.a01a01a01a01ap-16, 0x1.a01a01a01a01ap-76},
                                                {-0x1.27e4fb7789f5cp-22, -0x1.cbbc05b4fa99ap-76},
                                                {0x1.1eed8eff8d898p-29, -0x1.2aec959e14c06p-83},
                                                {-0x1.93974a8c07c9dp-37, -0x1.05d6f8a2efd1fp-92},
                                                {0x1.ae7f3e733b81fp-45, 0x1.1d8656b0ee8cbp-101},
                                                {-0x1.6827863b97d97p-53, -0x1.eec01221a8b0bp-107},
                                                {0x1.e542ba4020225p-62, 0x1.ea72b4afe3c2fp-120},
                                                {-0x1.0ce396db7f853p-70, 0x1.aebcdbd20331cp-124},
                                                {0x1.f2cf01972f578p-80, -0x1.9ada5fcc1ab14p-135},
                                                {-0x1.88e85fc6a4e5ap-89, 0x1.71c37ebd1654p-143},
                                                {0x1.0a18a2635085dp-98, 0x1.b9e2e28e1aa54p-153}};

// 1 / (2n+1), n = 0..21: log m = 2 s sum s^2n / (2n+1) with s = (m - 1) / (m + 1).
inline constexpr DoubleDouble logarithmSeries[] = {{0x1p+0, 0x0p+0},
                                                   {0x1.5555555555555p-2, 0x1.5555555555555p-56},
                                                   {0x1.999999999999ap-3, -0x1.999999999999ap-57},
                                                   {0x1.2492492492492p-3, 0x1.2492492492492p-57},
                                                   {0x1.c71c71c71c71cp-4, 0x1.c71c71c71c71cp-58},
                                                   {0x1.745d1745d1746p-4, -0x1.745d1745d1746p-59},
                                                   {0x1.3b13b13b13b14p-4, -0x1.3b13b13b13b14p-58},
                                                   {0x1.1111111111111p-4, 0x1.1111111111111p-60},
                                                   {0x1.e1e1e1e1e1e1ep-5, 0x1.e1e1e1e1e1e1ep-61},
                                                   {0x1.af286bca1af28p-5, 0x1.af286bca1af28p-59},
                                                   {0x1.8618618618618p-5, 0x1.8618618618618p-59},
                                                   {0x1.642c8590b2164p-5, 0x1.642c8590b2164p-60},
                                                   {0x1.47ae147ae147bp-5, -0x1.eb851eb851eb8p-61},
                                                   {0x1.2f684bda12f68p-5, 0x1.2f684bda12f68p-59},
                                                   {0x1.1a7b9611a7b96p-5, 0x1.1a7b9611a7b96p-61},
                                                   {0x1.0842108421084p-5, 0x1.0842108421084p-60},
                                                   {0x1.f07c1f07c1f08p-6, -0x1.f07c1f07c1f08p-61},
                                                   {0x1.d41d41d41d41dp-6, 0x1.075075075075p-60},
                                                   {0x1.bacf914c1badp-6, -0x1.bacf914c1badp-60},
                                                   {0x1.a41a41a41a41ap-6, 0x1.069069069069p-60},
                                                   {0x1.8f9c18f9c18fap-6, -0x1.f3831f3831f38p-61},
                                                   {0x1.7d05f417d05f4p-6, 0x1.7d05f417d05f4p-62}};

// atan(j / 8), j = 0..8.
inline constexpr DoubleDouble arctangentsOfEighths[] = {{0x0p+0, 0x0p+0},
                                                        {0x1.fd5ba9aac2f6ep-4, -0x1.cd37686760c17p-59},
                                                        {0x1.f5b75f92c80ddp-3, 0x1.8ab6e3cf7afbdp-57},
                                                        {0x1.6f61941e4def1p-2, -0x1.c63aae6f6e918p-56},
                                                        {0x1.dac670561bb4fp-2, 0x1.a2b7f222f65e2p-56},
                                                        {0x1.1e00babdefeb4p-1, -0x1.928df287a668fp-58},
                                                        {0x1.4978fa3269ee1p-1, 0x1.2419a87f2a458p-56},
                                                        {0x1.700a7c5784634p-1, -0x1.8c34d25aadef6p-56},
                                                        {0x1.921fb54442d18p-1, 0x1.1a62633145c07p-55}};

// (-1)^n / (2n+1), n = 0..16: atan t = t sum (-1)^n t^2n / (2n+1).
inline constexpr DoubleDouble arctangentSeries[] = {{0x1p+0, 0x0p+0},
                                                    {-0x1.5555555555555p-2, -0x1.5555555555555p-56},
                                                    {0x1.999999999999ap-3, -0x1.999999999999ap-57},
                                                    {-0x1.2492492492492p-3, -0x1.2492492492492p-57},
                                                    {0x1.c71c71c71c71cp-4, 0x1.c71c71c71c71cp-58},
                                                    {-0x1.745d1745d1746p-4, 0x1.745d1745d1746p-59},
                                                    {0x1.3b13b13b13b14p-4, -0x1.3b13b13b13b14p-58},
                                                    {-0x1.1111111111111p-4, -0x1.1111111111111p-60},
                                                    {0x1.e1e1e1e1e1e1ep-5, 0x1.e1e1e1e1e1e1ep-61},
                                                    {-0x1.af286bca1af28p-5, -0x1.af286bca1af28p-59},
                                                    {0x1.8618618618618p-5, 0x1.8618618618618p-59},
                                                    {-0x1.642c8590b2164p-5, -0x1.642c8590b2164p-60},
                                                    {0x1.47ae147ae147bp-5, -0x1.eb851eb851eb8p-61},
                                                    {-0x1.2f684bda12f68p-5, -0x1.2f684bda12f68p-59},
                                                    {0x1.1a7b9611a7b96p-5, 0x1.1a7b9611a7b96p-61},
                                                    {-0x1.0842108421084p-5, -0x1.0842108421084p-60},
                                                    {0x1.f07c1f07c1f08p-6, -0x1.f07c1f07c1f08p-61}};

}  // namespace maths::detail
