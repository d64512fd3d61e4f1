#!/usr/bin/env python3
"""Sends a GDL90 stream to UDP 127.0.0.1:4000 (or --port) for trying `vantrel --gps gdl90`:
once a second a heartbeat, the ownship (flying a straight line north-east of Geneva at 100 kt,
4000 ft) with its geometric altitude, and three traffic reports: one closing in from 2 o'clock,
300 ft above, until it passes 0.3 NM off after --approach seconds (an alert); one far above; one
circling nearby.
  scripts/gdl90-send.py [--port 4000] [--seconds 120] [--rate 1] [--approach 60] [--bad]
  (--bad: every tenth frame's CRC wrong)
"""
import argparse
import math
import socket
import time

def crc_table():
    table = []
    for i in range(256):
        crc = i << 8
        for _ in range(8):
            crc = ((crc << 1) ^ (0x1021 if crc & 0x8000 else 0)) & 0xFFFF
        table.append(crc)
    return table

TABLE = crc_table()

def frame(message, bad=False):
    crc = 0
    for b in message:
        crc = TABLE[crc >> 8] ^ ((crc << 8) & 0xFFFF) ^ b
    if bad:
        crc ^= 0x5555
    body = bytes(message) + bytes([crc & 0xFF, crc >> 8])
    out = bytearray([0x7E])
    for b in body:
        if b in (0x7E, 0x7D):
            out += bytes([0x7D, b ^ 0x20])
        else:
            out.append(b)
    out.append(0x7E)
    return bytes(out)

def s24(v):
    v = int(round(v)) & 0xFFFFFF
    return [(v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF]

def report(msg_id, address, lat, lon, alt_ft, speed_kt, climb_fpm, track, callsign, emitter=1):
    alt = 0xFFF if alt_ft is None else max(0, min(0xFFE, int(round((alt_ft + 1000) / 25))))
    misc = 0x9  # true track, airborne
    h = int(round(speed_kt)) & 0xFFF
    v = int(round(climb_fpm / 64)) & 0xFFF
    m = [msg_id, 0x00] + [(address >> 16) & 0xFF, (address >> 8) & 0xFF, address & 0xFF]
    m += s24(lat / (180.0 / 2 ** 23)) + s24(lon / (180.0 / 2 ** 23))
    m += [(alt >> 4) & 0xFF, ((alt & 0xF) << 4) | misc, 0x8A]  # NIC 8, NACp 10
    m += [(h >> 4) & 0xFF, ((h & 0xF) << 4) | ((v >> 8) & 0xF), v & 0xFF]
    m += [int(round(track / 360.0 * 256)) & 0xFF, emitter]
    m += list(callsign.ljust(8)[:8].encode('ascii')) + [0x00]
    return m

def moved(lat, lon, bearing, metres):
    r = math.radians(bearing)
    return (lat + metres * math.cos(r) / 111195.0,
            lon + metres * math.sin(r) / (111195.0 * math.cos(math.radians(lat))))

def main():
    p = argparse.ArgumentParser()
    p.add_argument('--port', type=int, default=4000)
    p.add_argument('--seconds', type=float, default=120)
    p.add_argument('--rate', type=float, default=1.0, help='reports per second')
    p.add_argument('--approach', type=float, default=60.0, help='seconds to the closest approach')
    p.add_argument('--bad', action='store_true')
    a = p.parse_args()
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    start = time.time()
    lat0, lon0, track, kt = 46.2300, 6.1000, 45.0, 100.0
    step = 1.0 / a.rate
    n = 0
    while time.time() - start < a.seconds:
        t = time.time() - start
        lat, lon = moved(lat0, lon0, track, kt * 1852 / 3600 * t)
        alt = 4000
        secs = int(time.time()) % 86400
        hb = [0x00, 0x81, 0x01 | ((secs >> 16) & 1) << 7, secs & 0xFF, (secs >> 8) & 0xFF, 0, 0]
        frames = [hb, report(10, 0xF00001, lat, lon, alt, kt, 0, track, 'VANTREL'),
                  [11] + [((alt // 5) >> 8) & 0xFF, (alt // 5) & 0xFF, 0x00, 0x0A]]
        # Closing from 2 o'clock: 3 NM at the start, passing 0.3 NM off, then away.
        close = a.approach
        d = max(0.3, 3.0 - 2.7 * t / close) if t <= close else 0.3 + (t - close) * 0.05
        tlat, tlon = moved(lat, lon, track + 60, d * 1852)
        frames.append(report(20, 0x4B1A2C, tlat, tlon, alt + 300, 110, -200, track + 240, 'HBKOF', 1))
        flat, flon = moved(lat, lon, track, 4000)
        frames.append(report(20, 0x3C6544, flat, flon, 9500, 250, 0, track, 'DLH4AB', 3))
        clat, clon = moved(46.30, 6.20, (t * 6) % 360, 1500)
        frames.append(report(20, 0x4B3012, clat, clon, 5200, 90, 300, (t * 6 + 90) % 360, 'HBZZA', 1))
        data = b''
        for m in frames:
            n += 1
            data += frame(m, bad=a.bad and n % 10 == 0)
        sock.sendto(data, ('127.0.0.1', a.port))
        time.sleep(step)

if __name__ == '__main__':
    main()
