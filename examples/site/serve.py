"""Serves the example sites with the hosting restriction switched on: the site
"allowed" draws its chart, the site "refused" is told to ask its host.

Run from the repository root after building:
    PYTHONPATH=build/python /usr/bin/python3 examples/site/serve.py [--port 8000] [--folder DIR]

The administrator's setup is written into DIR (a temporary folder, removed at
the end, when none is given):
    DIR/registry.reg          the registry file; TESSALOOM_REGISTRY points at it
    DIR/quillfen/Admin.ini    in the folder the registry's InstallationPath names
    DIR/quillfen/WebSite.ini  with the sites' folders filled in
    DIR/www/allowed/, DIR/www/refused/   the two sites, copied from sites/
and DIR/www is served on http://127.0.0.1:PORT/ until Ctrl+C. With
--setup-only the setup is written into DIR and the environment that serves it
under another server (gunicorn, see site_app.py) is printed instead.
"""

import argparse
import collections
import os
import shutil
import sys
import tempfile
import wsgiref.simple_server

HERE = os.path.dirname(os.path.abspath(__file__))
Setup = collections.namedtuple("Setup", "registry installation document_root")


def _reg_text(value):
    # A REG_SZ value in a registry file escapes backslashes and quotes.
    return value.replace("\\", "\\\\").replace('"', '\\"')


def _fill(template, target, placeholder, value):
    with open(os.path.join(HERE, "setup", template), encoding="utf-8") as source:
        text = source.read()
    with open(target, "w", encoding="utf-8") as out:
        out.write(text.replace(placeholder, value))


def write_setup(folder):
    """Writes the registry file, the two INI files and the sites into
    ``folder`` (created when missing); returns their paths as a Setup."""
    folder = os.path.abspath(folder)
    installation = os.path.join(folder, "quillfen")
    www = os.path.join(folder, "www")
    os.makedirs(installation, exist_ok=True)
    shutil.copytree(os.path.join(HERE, "sites"), www, dirs_exist_ok=True)
    shutil.copyfile(os.path.join(HERE, "setup", "Admin.ini"),
                    os.path.join(installation, "Admin.ini"))
    _fill("WebSite.ini", os.path.join(installation, "WebSite.ini"), "@WWW@", www)
    registry = os.path.join(folder, "registry.reg")
    _fill("registry.reg", registry, "@INSTALLATION@", _reg_text(installation))
    return Setup(registry, installation, www)


class _QuietHandler(wsgiref.simple_server.WSGIRequestHandler):
    def log_message(self, *args):
        pass


def make_server(document_root, port=0, quiet=False):
    """A wsgiref server for the sites under ``document_root`` on
    127.0.0.1:``port`` (0: any free port)."""
    import site_app  # needs tessaloom on the path; see the module's text

    handler = _QuietHandler if quiet else wsgiref.simple_server.WSGIRequestHandler
    return wsgiref.simple_server.make_server(
        "127.0.0.1", port, site_app.make_app(document_root), handler_class=handler)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--port", type=int, default=8000, help="0 takes any free port")
    parser.add_argument("--folder", help="where to write the setup (default: a temporary folder)")
    parser.add_argument("--setup-only", action="store_true",
                        help="write the setup into --folder, print its environment and stop")
    args = parser.parse_args(argv)
    if args.setup_only:
        if not args.folder:
            parser.error("--setup-only needs --folder")
        setup = write_setup(args.folder)
        print("TESSALOOM_REGISTRY=%s" % setup.registry)
        print("TESSALOOM_SITE_ROOT=%s" % setup.document_root)
        return
    with tempfile.TemporaryDirectory(prefix="tessaloom-site-") as temporary:
        setup = write_setup(args.folder or temporary)
        os.environ["TESSALOOM_REGISTRY"] = setup.registry
        try:
            server = make_server(setup.document_root, args.port)
        except ImportError as error:
            sys.exit("%s\nbuild first and run with PYTHONPATH=build/python" % error)
        with server:
            base = "http://127.0.0.1:%d" % server.server_port
            print("registry file %s" % setup.registry)
            print("settings in   %s" % setup.installation)
            print("allowed site  %s/allowed/" % base)
            print("refused site  %s/refused/" % base)
            sys.stdout.flush()
            try:
                server.serve_forever()
            except KeyboardInterrupt:
                pass


if __name__ == "__main__":
    main()
