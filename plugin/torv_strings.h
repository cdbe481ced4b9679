// The texts the effect shows to hosts and writes into its preset files.
#pragma once

#define TORV_VENDOR "www.torvaudio.net"
#define TORV_EFFECT_NAME "3-rd order Butterworth high-pass"

// The maker's web address.
inline constexpr char torvVendorString[] = TORV_VENDOR;
inline constexpr char torvEffectName[] = TORV_EFFECT_NAME;
// Also the header of every preset file: files are interchangeable only between builds that
// agree on it.
inline constexpr char torvProductString[] = TORV_VENDOR " " TORV_EFFECT_NAME;
inline constexpr int torvVendorVersion = 1000;
inline constexpr int torvUniqueId = 0x34326264; // the bytes "db24" in memory order
