"""Trakvia: DJI SD-card media and telemetry tool (package root: name and version texts)."""

R27_APP_NAME_TR = "Trakvia Medya Masası"
R27_APP_VERSION = "2.5.0"
