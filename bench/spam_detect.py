#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""SPAM steganalysis of cover/stego pairs: second-order SPAM features (Pevny, Bas, Fridrich,
"Steganalysis by subtractive pixel adjacency matrix", IEEE TIFS 5(2), 2010; T = 3, 686
features, colour pictures averaged over their channels) and a Fisher linear discriminant
ensemble on random feature subspaces (Kodovsky, Fridrich, Holub, "Ensemble classifiers for
steganalysis of digital media", IEEE TIFS 7(2), 2012). Cross-validated with a tile's cover and
stego always in the same fold; prints the ROC AUC for each condition.

usage: spam_detect.py DIR   (DIR/cover/NAME.pnm and DIR/KIND-BPC/NAME.pnm)
"""
import os
import re
import sys

import numpy as np

T = 3


def read_pnm(path):
    with open(path, "rb") as f:
        data = f.read()
    # one whitespace byte ends the header; the first pixel may itself look like whitespace
    header = re.match(rb"(P[56])\s+(\d+)\s+(\d+)\s+255\s", data)
    magic, width, height = header.group(1), int(header.group(2)), int(header.group(3))
    pixels = np.frombuffer(data[header.end():], dtype=np.uint8)
    channels = 1 if magic == b"P5" else 3
    return pixels[: width * height * channels].reshape(height, width, channels).astype(np.int16)


def transitions(d1, d2, d3):
    """P(d3 | d1, d2) over truncated differences, as a 343-vector."""
    index = (np.clip(d1, -T, T) + T) * 49 + (np.clip(d2, -T, T) + T) * 7 + (np.clip(d3, -T, T) + T)
    counts = np.bincount(index.ravel(), minlength=343).reshape(49, 7).astype(float)
    totals = counts.sum(axis=1, keepdims=True)
    return (counts / np.where(totals == 0, 1, totals)).ravel()


def along_rows(a):
    d = a[:, :-1] - a[:, 1:]
    return transitions(d[:, :-2], d[:, 1:-1], d[:, 2:])


def along_diagonal(a):
    d = a[:-1, :-1] - a[1:, 1:]
    return transitions(d[:-2, :-2], d[1:-1, 1:-1], d[2:, 2:])


def spam(plane):
    straight = [plane, plane[:, ::-1], plane.T, plane[::-1, :].T]
    diagonal = [plane, plane[::-1, ::-1], plane[:, ::-1], plane[::-1, :]]
    return np.concatenate([np.mean([along_rows(a) for a in straight], axis=0),
                           np.mean([along_diagonal(a) for a in diagonal], axis=0)])


def features(path):
    picture = read_pnm(path)
    return np.mean([spam(picture[:, :, c]) for c in range(picture.shape[2])], axis=0)


def fld_ensemble(train_cover, train_stego, test, learners=51, subspace=200, seed=1):
    """Mean of the base learners' normalised projections: higher means stego."""
    rng = np.random.default_rng(seed)
    score = np.zeros(len(test))
    for _ in range(learners):
        subset = rng.choice(train_cover.shape[1], size=subspace, replace=False)
        c, s = train_cover[:, subset], train_stego[:, subset]
        scatter = np.cov(c, rowvar=False) + np.cov(s, rowvar=False)
        scatter += 1e-6 * np.trace(scatter) / subspace * np.eye(subspace) + 1e-12 * np.eye(subspace)
        w = np.linalg.solve(scatter, s.mean(axis=0) - c.mean(axis=0))
        pc, ps = c @ w, s @ w
        middle = (pc.mean() + ps.mean()) / 2
        spread = np.concatenate([pc - pc.mean(), ps - ps.mean()]).std() or 1.0
        score += (test[:, subset] @ w - middle) / spread
    return score / learners


def auc(negative, positive):
    scores = np.concatenate([negative, positive])
    ranks = np.empty(len(scores))
    order = scores.argsort()
    ranks[order] = np.arange(1, len(scores) + 1)
    # ties share their mean rank
    for value in np.unique(scores):
        tied = scores == value
        ranks[tied] = ranks[tied].mean()
    r = ranks[len(negative):].sum()
    return (r - len(positive) * (len(positive) + 1) / 2) / (len(positive) * len(negative))


def cross_validated_auc(cover, stego, folds=5, seed=2):
    pairs = np.random.default_rng(seed).permutation(len(cover))
    negative, positive = [], []
    for k in range(folds):
        test = pairs[k::folds]
        train = np.setdiff1d(pairs, test)
        scores = fld_ensemble(cover[train], stego[train], np.vstack([cover[test], stego[test]]))
        negative.extend(scores[: len(test)])
        positive.extend(scores[len(test):])
    return auc(np.array(negative), np.array(positive))


def main():
    root = sys.argv[1]
    names = sorted(os.listdir(os.path.join(root, "cover")))
    conditions = sorted(d for d in os.listdir(root) if d != "cover")
    cover = {n: features(os.path.join(root, "cover", n)) for n in names}
    print(f"{'condition':<16}{'set':<8}{'pairs':>6}{'SPAM AUC':>10}")
    for condition in conditions:
        for group in ("colour", "grey"):
            chosen = [n for n in names if n.startswith(group)]
            c = np.array([cover[n] for n in chosen])
            s = np.array([features(os.path.join(root, condition, n)) for n in chosen])
            print(f"{condition:<16}{group:<8}{len(chosen):>6}{cross_validated_auc(c, s):>10.3f}",
                  flush=True)


if __name__ == "__main__":
    main()
