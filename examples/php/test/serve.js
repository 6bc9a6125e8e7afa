'use strict';
// Serves examples/php with Debian's PHP-FPM behind nginx on loopback: both started on free ports
// with configurations written to a temporary folder, both stopped by stop().
//
//   const site = await start({ extension, registry, env, workers });  // site.origin, site.dir
//   await stop(site);
const { spawn } = require('node:child_process');
const fs = require('node:fs');
const net = require('node:net');
const os = require('node:os');
const path = require('node:path');

const docroot = path.join(__dirname, '..');
const isRoot = process.getuid && process.getuid() === 0;

function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.on('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const { port } = /** @type {net.AddressInfo} */ (server.address());
      server.close(() => resolve(port));
    });
  });
}

// Two pools: the pages under /raw/ read the request body themselves, with XMultipart, so PHP must
// leave it unread there. A pool's setting costs nothing per request; a PHP_VALUE from nginx would
// be parsed again on every request, and PHP-FPM keeps 32 bytes of each parse for good.
function fpmConfig(dir, ports, options) {
  const env = Object.entries(options.env).map(([k, v]) => `env[${k}] = ${v}`).join('\n');
  const pool = (name, port, extra) => `[${name}]
listen = 127.0.0.1:${port}
${isRoot ? 'user = root\ngroup = root' : ''}
pm = static
pm.max_children = ${options.workers}
pm.max_requests = 0
clear_env = yes
catch_workers_output = yes
${extra}
${env}
`;
  return `[global]
pid = ${dir}/fpm.pid
error_log = ${dir}/fpm.log
daemonize = no

${pool('examples', ports.pages, '')}
${pool('raw', ports.raw, 'php_admin_value[enable_post_data_reading] = Off')}`;
}

const fastcgiParams = `fastcgi_param SCRIPT_FILENAME $document_root$fastcgi_script_name;
fastcgi_param QUERY_STRING $query_string;
fastcgi_param REQUEST_METHOD $request_method;
fastcgi_param CONTENT_TYPE $content_type;
fastcgi_param CONTENT_LENGTH $content_length;
fastcgi_param SCRIPT_NAME $fastcgi_script_name;
fastcgi_param REQUEST_URI $request_uri;
fastcgi_param DOCUMENT_ROOT $document_root;
fastcgi_param SERVER_PROTOCOL $server_protocol;
fastcgi_param REMOTE_ADDR $remote_addr;
fastcgi_param SERVER_NAME $server_name;
fastcgi_param SERVER_PORT $server_port;
`;

function nginxConfig(dir, port, fpmPorts) {
  return `${isRoot ? 'user root root;' : ''}
worker_processes 1;
pid ${dir}/nginx.pid;
error_log ${dir}/nginx-error.log;
events { worker_connections 64; }
http {
  access_log off;
  client_body_temp_path ${dir}/body;
  fastcgi_temp_path ${dir}/fastcgi;
  proxy_temp_path ${dir}/proxy;
  uwsgi_temp_path ${dir}/uwsgi;
  scgi_temp_path ${dir}/scgi;
  client_max_body_size 8m;
  server {
    listen 127.0.0.1:${port};
    root ${docroot};
    index index.php;
    location ~ ^/(include|test)/ { deny all; }
    location ~ ^/raw/.*\\.php$ {
      try_files $uri =404;
      fastcgi_pass 127.0.0.1:${fpmPorts.raw};
      include ${dir}/fastcgi.conf;
    }
    location ~ \\.php$ {
      try_files $uri =404;
      fastcgi_pass 127.0.0.1:${fpmPorts.pages};
      include ${dir}/fastcgi.conf;
    }
  }
}
`;
}

// Waits until the port takes connections, or the process has ended.
async function listening(port, child, what) {
  for (let i = 0; i < 200; ++i) {
    if (child.exitCode !== null) throw new Error(`${what} ended with status ${child.exitCode}`);
    const ok = await new Promise((resolve) => {
      const socket = net.connect(port, '127.0.0.1', () => { socket.destroy(); resolve(true); });
      socket.on('error', () => resolve(false));
    });
    if (ok) return;
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
  throw new Error(`${what} does not listen on ${port}`);
}

async function start(options) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'vx-php-site-'));
  const fpmPorts = { pages: await freePort(), raw: await freePort() };
  const port = await freePort();
  fs.writeFileSync(path.join(dir, 'fpm.conf'), fpmConfig(dir, fpmPorts, { workers: 2, ...options }));
  fs.writeFileSync(path.join(dir, 'fastcgi.conf'), fastcgiParams);
  fs.writeFileSync(path.join(dir, 'nginx.conf'), nginxConfig(dir, port, fpmPorts));
  const fpmArgs = ['-n', '-d', `extension=${options.extension}`, '-y', path.join(dir, 'fpm.conf'), '-F'];
  if (isRoot) fpmArgs.push('-R');
  for (const setting of options.settings || []) fpmArgs.unshift('-d', setting);
  const fpmEnv = { ...process.env, ...(options.fpmEnv || {}) };
  const fpm = spawn(options.fpm || process.env.VX_PHP_FPM || '/usr/sbin/php-fpm8.2', fpmArgs, { stdio: ['ignore', 'inherit', 'inherit'], env: fpmEnv });
  const nginx = spawn(options.nginx || process.env.VX_NGINX || '/usr/sbin/nginx',
                      ['-p', dir, '-c', path.join(dir, 'nginx.conf'), '-g', 'daemon off;', '-e', path.join(dir, 'nginx-error.log')],
                      { stdio: ['ignore', 'inherit', 'inherit'] });
  const site = { dir, fpm, nginx, origin: `http://127.0.0.1:${port}` };
  try {
    await listening(fpmPorts.pages, fpm, 'php-fpm');
    await listening(fpmPorts.raw, fpm, 'php-fpm');
    await listening(port, nginx, 'nginx');
  } catch (err) {
    await stop(site);
    const log = path.join(dir, 'fpm.log');
    throw new Error(`${err.message}${fs.existsSync(log) ? `\n${fs.readFileSync(log, 'utf8')}` : ''}`);
  }
  return site;
}

function ended(child) {
  if (child.exitCode !== null || child.signalCode !== null) return Promise.resolve();
  return new Promise((resolve) => child.once('exit', resolve));
}

async function stop(site) {
  for (const child of [site.nginx, site.fpm]) {
    if (child.exitCode === null && child.signalCode === null) child.kill('SIGQUIT');
  }
  const timer = setTimeout(() => { for (const c of [site.nginx, site.fpm]) c.kill('SIGKILL'); }, 10000);
  await Promise.all([ended(site.nginx), ended(site.fpm)]);
  clearTimeout(timer);
  fs.rmSync(site.dir, { recursive: true, force: true });
}

module.exports = { start, stop };
