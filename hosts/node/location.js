'use strict';
// Where the host finds its native part, the server and the registry. The host is installed in
// one of three ways, told apart by install.json, which only the packages carry:
//
//   checkout  (no install.json) the build folder, $VX_BUILD_DIR else <checkout>/build; the page
//             registers the server itself; the registry is the runtime's default.
//   npm       {"kind": "npm", "lib": "build/lib"}: the native part built when the package was
//             installed; the server is registered on first use in the runtime's default registry.
//   system    {"kind": "system", "lib": "/usr/lib/…/vellumax", "registry": "/var/lib/…"}: the
//             Debian package; its install scripts register the server in the system registry.
//
// VX_REGISTRY, when set, names the registry in every kind.

const fs = require('node:fs');
const path = require('node:path');

function readInstall(folder) {
  let text;
  try {
    text = fs.readFileSync(path.join(folder, 'install.json'), 'utf8');
  } catch (err) {
    if (err.code === 'ENOENT') return null;
    throw err;
  }
  const install = JSON.parse(text);
  if (install.kind !== 'npm' && install.kind !== 'system') {
    throw new Error(`${path.join(folder, 'install.json')}: unknown kind ${JSON.stringify(install.kind)}`);
  }
  return install;
}

function locate(folder) {
  const install = readInstall(folder);
  if (!install) {
    const buildDir = path.resolve(process.env.VX_BUILD_DIR || path.join(folder, '..', '..', 'build'));
    return {
      kind: 'checkout', buildDir, libDir: path.join(buildDir, 'lib'), systemRegistry: null,
      missing: 'Run scripts/build, or set VX_BUILD_DIR to the build folder.',
    };
  }
  const libDir = path.resolve(folder, install.lib);
  return {
    kind: install.kind,
    buildDir: path.dirname(libDir),
    libDir,
    systemRegistry: install.registry || null,
    missing: install.kind === 'npm'
      ? 'Its build at install time did not finish: run `npm rebuild vellumax` and read what it reports.'
      : 'Reinstall the Debian package vellumax.',
  };
}

// The registry file: VX_REGISTRY, else the system registry of a system install, else the
// runtime's own rule ($XDG_DATA_HOME/vellumax/registry.db, else ~/.local/share/vellumax/registry.db).
function registryPath(where) {
  if (process.env.VX_REGISTRY) return process.env.VX_REGISTRY;
  if (where.systemRegistry) return where.systemRegistry;
  const data = process.env.XDG_DATA_HOME;
  if (data && data.startsWith('/')) return path.join(data, 'vellumax', 'registry.db');
  return path.join(process.env.HOME || '', '.local', 'share', 'vellumax', 'registry.db');
}

module.exports = { locate, registryPath };
