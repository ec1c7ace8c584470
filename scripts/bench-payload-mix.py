#!/usr/bin/env python3
"""Writes the benchmarks' ~256 MiB payload mix into DIR: 4000 small text files
(about 24 MiB), 2 x 64 MiB text and 2 x 48 MiB incompressible data.
Usage: bench-payload-mix.py DIR"""
import os
import random
import sys

root = sys.argv[1]
rnd = random.Random(1)
words = [''.join(rnd.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(rnd.randint(2, 9))) for _ in range(5000)]
for i in range(4000):
    d = os.path.join(root, 'small', 'd%02d' % (i % 40))
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, 'f%04d.txt' % i), 'w') as f:
        f.write(' '.join(rnd.choice(words) for _ in range(rnd.randint(500, 1500))))
os.makedirs(os.path.join(root, 'large'), exist_ok=True)
for i in range(2):
    with open(os.path.join(root, 'large', 'text%d.log' % i), 'w') as f:
        for _ in range(64):
            f.write(' '.join(rnd.choice(words) for _ in range(180000))[:1 << 20])
for i in range(2):
    with open(os.path.join(root, 'large', 'blob%d.bin' % i), 'wb') as f:
        f.write(os.urandom(48 << 20))
