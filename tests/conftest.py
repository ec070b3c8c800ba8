"""Shared test settings: property tests must not fail on a slow or loaded machine."""
from hypothesis import settings

settings.register_profile("zorvane", deadline=None)
settings.load_profile("zorvane")
