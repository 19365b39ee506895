# python/tests/test_readme.py: the README's Python example, run as a doctest in a copy of the
# examples.
import doctest
import shutil

import pytest

from conftest import SOURCE


def test_the_readmes_python_example_shows_what_the_module_gives(tmp_path, monkeypatch):
    pytest.importorskip("pandas")
    readme = (SOURCE / "README.md").read_text(encoding="utf-8")
    block = readme.split("<!-- tested: python example -->\n```python\n", 1)[1].split("```", 1)[0]
    shutil.copytree(SOURCE / "examples", tmp_path, dirs_exist_ok=True)
    monkeypatch.chdir(tmp_path)
    test = doctest.DocTestParser().get_doctest(block, {}, "README", "README.md", 0)
    runner = doctest.DocTestRunner(optionflags=doctest.NORMALIZE_WHITESPACE)
    runner.run(test)
    assert runner.summarize(verbose=False).failed == 0
